#include "gdi/gdi_objects.h"

#include <algorithm>
#include <unordered_map>

namespace platform::gdi {

namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

// Live objects by handle.
std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>>& Objects() {
    static auto* objects = new std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>>();
    return *objects;
}

// Handles carry this tag in their top byte: non-canonical on x86-64 and kernel space on 32-bit
// x86, so never the address of anything a program holds.
constexpr std::uintptr_t kHandleTag = std::uintptr_t{0xE1} << (8 * (sizeof(std::uintptr_t) - 1));
std::uintptr_t gLastHandle = 0;

// GetStockObject numbers 0 to 19 (9 is unused).
constexpr int kStockObjectCount = 20;

}  // namespace

std::unique_lock<std::mutex> GdiLock() { return std::unique_lock<std::mutex>(RegistryMutex()); }

GdiObject* Register(std::unique_ptr<GdiObject> object) {
    GdiObject* raw = object.get();
    raw->handle = kHandleTag | (++gLastHandle << 2);
    Objects().emplace(raw->handle, std::move(object));
    return raw;
}

void Destroy(GdiObject* object) {
    if (object == nullptr || object->stock) return;
    Objects().erase(object->handle);
}

int CountLiveObjects() {
    int count = 0;
    for (const auto& entry : Objects()) count += entry.second->stock ? 0 : 1;
    return count;
}

GdiObject* Find(const void* handle) {
    if (handle == nullptr) return nullptr;
    const auto found = Objects().find(reinterpret_cast<std::uintptr_t>(handle));
    return found == Objects().end() ? nullptr : found->second.get();
}

DeviceContext* FindDc(HDC dc) {
    GdiObject* object = Find(dc);
    if (object == nullptr || (object->kind != ObjectKind::MemoryDc && object->kind != ObjectKind::SurfaceDc)) {
        return nullptr;
    }
    return static_cast<DeviceContext*>(object);
}

BitmapObject* FindBitmap(const void* handle) {
    GdiObject* object = Find(handle);
    return object != nullptr && object->kind == ObjectKind::Bitmap ? static_cast<BitmapObject*>(object) : nullptr;
}

// Stock objects are handed out by GetStockObject (the window layer's); they are recognised by
// asking it for each number in turn.
int StockObjectIndex(const void* handle) {
    if (handle == nullptr) return -1;
    for (int index = 0; index < kStockObjectCount; ++index) {
        if (index != 9 && GetStockObject(index) == handle) return index;
    }
    return -1;
}

ObjectKind StockObjectKind(int index) {
    if (index <= 5 || index == 18) return ObjectKind::Brush;
    if (index <= 8 || index == 19) return ObjectKind::Pen;
    if (index == 15) return ObjectKind::Palette;
    return ObjectKind::Font;
}

BitmapObject* StockBitmap() {
    // A memory DC's initial selection, as on Windows: one black pixel in a 1-bit bitmap.
    static BitmapObject* bitmap = [] {
        DecodedDib picture;
        picture.width = 1;
        picture.height = 1;
        picture.bitsPerPixel = 8;
        picture.sourceBitsPerPixel = 1;
        picture.strideBytes = 4;
        picture.colors.assign(256, RGBQUAD{0, 0, 0, 0});
        picture.colors[1] = RGBQUAD{255, 255, 255, 0};
        picture.pixels.assign(4, 0);
        return static_cast<BitmapObject*>(
            Register(std::make_unique<BitmapObject>(std::move(picture), /*isStock=*/true)));
    }();
    return bitmap;
}

HBITMAP CreateDibSection(DecodedDib picture) {
    auto lock = GdiLock();
    return Register(std::make_unique<BitmapObject>(std::move(picture)))->As<HBITMAP>();
}

void NoteDrawn(DeviceContext& dc, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, dc.width);
    bottom = std::min<std::int64_t>(bottom, dc.height);
    if (left >= right || top >= bottom) return;
    RECT& box = dc.drawn;
    const bool empty = box.left >= box.right;
    box.left = static_cast<LONG>(empty ? left : std::min<std::int64_t>(box.left, left));
    box.top = static_cast<LONG>(empty ? top : std::min<std::int64_t>(box.top, top));
    box.right = static_cast<LONG>(empty ? right : std::max<std::int64_t>(box.right, right));
    box.bottom = static_cast<LONG>(empty ? bottom : std::max<std::int64_t>(box.bottom, bottom));
}

}  // namespace platform::gdi
