// LoadImageA for bitmaps: the bitmap resource is decoded into a DIB section at its own size.
#include "gdi/dib_decoder.h"
#include "gdi/gdi_objects.h"
#include "winbase.h"
#include "winuser.h"

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT load) {
    (void)load;  // every bitmap is a DIB section here, whether LR_CREATEDIBSECTION is asked for or not
    if (type != IMAGE_BITMAP || width < 0 || height < 0) return nullptr;
    HRSRC resource = FindResourceA(instance, name, RT_BITMAP);
    if (resource == nullptr) return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, resource)));
    if (bytes == nullptr) return nullptr;
    platform::gdi::DibDecodeResult decoded = platform::gdi::DecodePackedDib(bytes, SizeofResource(instance, resource));
    if (!decoded.dib) return nullptr;
    // Scaling to a requested size is not offered: 0 (or the bitmap's own size) only.
    if ((width != 0 && width != decoded.dib->width) || (height != 0 && height != decoded.dib->height)) {
        return nullptr;
    }
    return platform::gdi::CreateDibSection(std::move(*decoded.dib));
}
