// Selecting, describing and deleting GDI objects.
#include <cstring>

#include "gdi/gdi_objects.h"

using platform::gdi::BitmapObject;
using platform::gdi::DeviceContext;
using platform::gdi::GdiLock;
using platform::gdi::GdiObject;
using platform::gdi::ObjectKind;

namespace {

HGDIOBJ SelectBitmap(DeviceContext& dc, BitmapObject& bitmap) {
    // Only memory DCs draw into bitmaps, and a bitmap is selected into one DC at a time.
    if (dc.kind != ObjectKind::MemoryDc) return nullptr;
    if (!bitmap.stock && bitmap.selectedInto != nullptr && bitmap.selectedInto != &dc) return nullptr;
    BitmapObject* previous = dc.bitmap;
    if (previous != nullptr && previous->selectedInto == &dc) previous->selectedInto = nullptr;
    dc.bitmap = &bitmap;
    if (!bitmap.stock) bitmap.selectedInto = &dc;
    return previous != nullptr ? previous->As<HGDIOBJ>() : nullptr;
}

}  // namespace

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
    auto lock = GdiLock();
    DeviceContext* dc = platform::gdi::FindDc(handle);
    if (dc == nullptr) return nullptr;
    if (BitmapObject* bitmap = platform::gdi::FindBitmap(object)) return SelectBitmap(*dc, *bitmap);
    // Brushes, pens and fonts exist only as stock objects; the DC just remembers them.
    const int stock = platform::gdi::StockObjectIndex(object);
    if (stock < 0) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (platform::gdi::StockObjectKind(stock)) {
        case ObjectKind::Brush: slot = &dc->brush; break;
        case ObjectKind::Pen: slot = &dc->pen; break;
        case ObjectKind::Font: slot = &dc->font; break;
        default:  // palettes go through SelectPalette
            return nullptr;
    }
    HGDIOBJ previous = *slot;
    *slot = object;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    auto lock = GdiLock();
    // Stock objects outlive every request to delete them.
    if (platform::gdi::StockObjectIndex(object) >= 0) return TRUE;
    GdiObject* found = platform::gdi::Find(object);
    if (found == nullptr) return FALSE;
    if (found->stock) return TRUE;
    if (found->kind == ObjectKind::MemoryDc || found->kind == ObjectKind::SurfaceDc) return FALSE;
    // A bitmap still selected into a DC stays until it is deselected or the DC is deleted.
    if (found->kind == ObjectKind::Bitmap && static_cast<BitmapObject*>(found)->selectedInto != nullptr) {
        return FALSE;
    }
    platform::gdi::Destroy(found);
    return TRUE;
}

// Describes a bitmap as Windows does: a DIBSECTION when the buffer holds one (DIB sections only),
// else a BITMAP; a buffer too small for a whole BITMAP gets 0 and is left untouched. bmBits is the
// top row of the decoded picture (rows top-down, padded to 4 bytes), so the header gives a
// negative height; bmBitsPixel and bmWidthBytes describe that storage (8 or 24 bits).
int WINAPI GetObjectA(HGDIOBJ object, int bytes, LPVOID buffer) {
    auto lock = GdiLock();
    BitmapObject* bitmap = platform::gdi::FindBitmap(object);
    if (bitmap == nullptr || bytes < 0) return 0;
    if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
    const auto room = static_cast<std::size_t>(bytes);
    if (room < sizeof(BITMAP)) return 0;
    const platform::gdi::DecodedDib& image = bitmap->image;
    DIBSECTION section{};
    section.dsBm.bmWidth = image.width;
    section.dsBm.bmHeight = image.height;
    section.dsBm.bmWidthBytes = static_cast<LONG>(image.strideBytes);
    section.dsBm.bmPlanes = 1;
    section.dsBm.bmBitsPixel = static_cast<WORD>(image.bitsPerPixel);
    section.dsBm.bmBits = const_cast<std::uint8_t*>(image.pixels.data());
    // The stock 1x1 bitmap of a new memory DC is a device bitmap, as on Windows.
    if (bitmap->stock || room < sizeof section) {
        std::memcpy(buffer, &section.dsBm, sizeof section.dsBm);
        return static_cast<int>(sizeof section.dsBm);
    }
    BITMAPINFOHEADER& header = section.dsBmih;
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = -image.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(image.bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image.strideBytes * static_cast<std::size_t>(image.height));
    std::memcpy(buffer, &section, sizeof section);
    return static_cast<int>(sizeof section);
}
