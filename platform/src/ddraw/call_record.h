// One DirectDraw call as the call log records it.
#pragma once

#include <string>

#include "ddraw.h"

namespace platform::ddraw {

// One recorded call. Fields an operation does not use are zero.
//  - Blt: dest/src rectangles as passed, flags, fx = effects->dwDDFX and fillColor =
//    effects->dwFillColor when an effects record is passed, source surface.
//  - BltFast: x, y, src rectangle, flags, source surface.
//  - Flip: flags, source = the target override.
//  - CreateSurface: flags = requested ddsCaps, x/y = requested width/height (when named),
//    source = the surface handed out. GetAttachedSurface: flags = requested caps, source = the
//    surface handed out. CreatePalette: flags, source = the palette. DirectDrawCreate: source =
//    the object handed out (object is null).
//  - SetCooperativeLevel: flags. SetDisplayMode: x = width, y = height, flags = bits per pixel.
//  - SetColorKey: flags, x/y = low/high value when a key is passed.
//  - AddRef/Release: result = the reference count afterwards.
struct Call {
    std::string op;
    const void* object = nullptr;
    RECT dest{};
    RECT src{};
    bool hasDest = false;
    bool hasSrc = false;
    DWORD flags = 0;
    DWORD fx = 0;
    const void* source = nullptr;
    HRESULT result = 0;
    DWORD x = 0;
    DWORD y = 0;
    DWORD fillColor = 0;
};

}  // namespace platform::ddraw
