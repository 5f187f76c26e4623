// Device contexts that draw into a 16-bit surface's pixels; created by the software DirectDraw
// for IDirectDrawSurface::GetDC and destroyed at ReleaseDC.
#pragma once

#include <cstdint>

#include "platform/pixel_format.h"
#include "windef.h"

namespace platform::gdi {

// The DC draws into pixels[y * pitchPixels + x] for 0 <= x < width, 0 <= y < height.
HDC CreateSurfaceDC(std::uint16_t* pixels, int width, int height, int pitchPixels, PixelFormat format);
// Destroys the DC; returns the box of its pixels drawn meanwhile (empty when none was).
RECT DestroySurfaceDC(HDC dc);

}  // namespace platform::gdi
