// Creating and deleting device contexts, and the drawing state they carry.
#include <atomic>

#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"

namespace platform::gdi {

std::atomic<int> gFailingCalls[static_cast<int>(GdiCall::Count)];

bool TakeInjectedFailure(GdiCall call) {
    std::atomic<int>& failing = gFailingCalls[static_cast<int>(call)];
    int pending = failing.load();
    while (pending > 0) {
        if (failing.compare_exchange_weak(pending, pending - 1)) return true;
    }
    return false;
}

namespace {

DeviceContext* NewDc(ObjectKind kind) {
    auto dc = std::make_unique<DeviceContext>(kind);
    dc->brush = GetStockObject(0);  // WHITE_BRUSH
    dc->pen = GetStockObject(7);    // BLACK_PEN
    dc->font = GetStockObject(13);  // SYSTEM_FONT
    return static_cast<DeviceContext*>(Register(std::move(dc)));
}

}  // namespace

HDC CreateSurfaceDC(std::uint16_t* pixels, int width, int height, int pitchPixels, PixelFormat format) {
    if (pixels == nullptr || width <= 0 || height <= 0 || pitchPixels < width) return nullptr;
    auto lock = GdiLock();
    DeviceContext* dc = NewDc(ObjectKind::SurfaceDc);
    dc->pixels = pixels;
    dc->width = width;
    dc->height = height;
    dc->pitchPixels = pitchPixels;
    dc->format = format;
    return dc->As<HDC>();
}

RECT DestroySurfaceDC(HDC handle) {
    auto lock = GdiLock();
    DeviceContext* dc = FindDc(handle);
    if (dc == nullptr || dc->kind != ObjectKind::SurfaceDc) return RECT{0, 0, 0, 0};
    const RECT drawn = dc->drawn;
    Destroy(dc);
    return drawn;
}

}  // namespace platform::gdi

using platform::gdi::DeviceContext;
using platform::gdi::FindDc;
using platform::gdi::GdiLock;
using platform::gdi::ObjectKind;

HDC WINAPI CreateCompatibleDC(HDC reference) {
    if (platform::gdi::TakeInjectedFailure(platform::gdi::GdiCall::CreateCompatibleDC)) return nullptr;
    auto lock = GdiLock();
    // NULL means the screen; any other reference must be a live DC.
    if (reference != nullptr && FindDc(reference) == nullptr) return nullptr;
    DeviceContext* dc = platform::gdi::NewDc(ObjectKind::MemoryDc);
    dc->bitmap = platform::gdi::StockBitmap();
    return dc->As<HDC>();
}

BOOL WINAPI DeleteDC(HDC handle) {
    auto lock = GdiLock();
    DeviceContext* dc = FindDc(handle);
    // Surface DCs belong to their surface and go back through ReleaseDC.
    if (dc == nullptr || dc->kind != ObjectKind::MemoryDc) return FALSE;
    if (dc->bitmap != nullptr && dc->bitmap->selectedInto == dc) dc->bitmap->selectedInto = nullptr;
    platform::gdi::Destroy(dc);
    return TRUE;
}

int WINAPI SetBkMode(HDC handle, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    if (platform::gdi::TakeInjectedFailure(platform::gdi::GdiCall::SetBkMode)) return 0;
    auto lock = GdiLock();
    DeviceContext* dc = FindDc(handle);
    if (dc == nullptr) return 0;
    const int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

COLORREF WINAPI SetTextColor(HDC handle, COLORREF color) {
    if (platform::gdi::TakeInjectedFailure(platform::gdi::GdiCall::SetTextColor)) return CLR_INVALID;
    auto lock = GdiLock();
    DeviceContext* dc = FindDc(handle);
    if (dc == nullptr) return CLR_INVALID;
    const COLORREF previous = dc->textColor;
    dc->textColor = color;
    return previous;
}
