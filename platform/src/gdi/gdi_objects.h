// The GDI objects behind HDC and HBITMAP, and the registry that validates handles. A handle is
// a number the registry hands out once and never again (tagged so it can never equal a real
// address), so a stale handle cannot name a newer object and a made-up one names nothing.
//
// Every GDI entry point takes the registry's lock for its whole duration (GdiLock), which makes
// the calls safe from any thread; the program itself draws from one thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "gdi/dib_decoder.h"
#include "platform/pixel_format.h"
#include "windef.h"
#include "wingdi.h"

namespace platform::gdi {

enum class ObjectKind { MemoryDc, SurfaceDc, Bitmap, Brush, Pen, Font, Palette };

struct GdiObject {
    explicit GdiObject(ObjectKind k, bool isStock = false) : kind(k), stock(isStock) {}
    virtual ~GdiObject() = default;
    const ObjectKind kind;
    const bool stock;           // stock objects live for the whole process and are never deleted
    std::uintptr_t handle = 0;  // set by Register

    template <typename Handle>
    Handle As() const {
        return reinterpret_cast<Handle>(handle);
    }
};

struct DeviceContext;

struct BitmapObject : GdiObject {
    explicit BitmapObject(DecodedDib picture, bool isStock = false)
        : GdiObject(ObjectKind::Bitmap, isStock), image(std::move(picture)) {}
    DecodedDib image;
    DeviceContext* selectedInto = nullptr;  // a bitmap can be selected into one memory DC at a time
};

struct DeviceContext : GdiObject {
    using GdiObject::GdiObject;
    int backgroundMode = OPAQUE;
    COLORREF textColor = 0x000000;
    COLORREF backgroundColor = 0xFFFFFF;
    // A surface DC draws into these pixels.
    std::uint16_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchPixels = 0;
    PixelFormat format = PixelFormat::Rgb565;
    // The box of a surface DC's pixels drawn since it was made (empty: none), for its surface's damage.
    RECT drawn{0, 0, 0, 0};
    // What is selected; a memory DC starts with the stock 1x1 bitmap.
    BitmapObject* bitmap = nullptr;
    // Brushes, pens and fonts are the stock objects of GetStockObject, kept only to be handed back.
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
};

std::unique_lock<std::mutex> GdiLock();

// Registers a new object, giving it its handle. Caller holds GdiLock.
GdiObject* Register(std::unique_ptr<GdiObject> object);
// Removes and destroys a registered, non-stock object. Caller holds GdiLock.
void Destroy(GdiObject* object);

// The live object behind a handle, or null when the handle names nothing alive (or an object
// of another kind). Caller holds GdiLock.
GdiObject* Find(const void* handle);
DeviceContext* FindDc(HDC dc);
BitmapObject* FindBitmap(const void* handle);

// Notes that [left, right) x [top, bottom) of a surface DC's pixels may have been drawn, as far
// as it lies inside them.
void NoteDrawn(DeviceContext& dc, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

// Registered objects that are not stock objects. Caller holds GdiLock.
int CountLiveObjects();

// GDI calls the test controls (gdi_control.h) can make fail, and how many more times each will.
enum class GdiCall { CreateCompatibleDC, SetBkMode, SetTextColor, TextOutA, Count };
extern std::atomic<int> gFailingCalls[static_cast<int>(GdiCall::Count)];
// Takes one injected failure of `call` if any is pending.
bool TakeInjectedFailure(GdiCall call);

// The GetStockObject number (0 to 19) of a stock object handle, or -1.
int StockObjectIndex(const void* handle);
ObjectKind StockObjectKind(int index);

// A memory DC's first selection, created on first use. Caller holds GdiLock.
BitmapObject* StockBitmap();

// A new DIB-section bitmap owning the decoded picture. Takes GdiLock itself.
HBITMAP CreateDibSection(DecodedDib picture);

}  // namespace platform::gdi
