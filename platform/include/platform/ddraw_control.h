// Test and diagnostics controls of the software DirectDraw: fault injection, a call log,
// capability overrides, object counts and direct access to surface pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ddraw.h"

namespace platform::ddraw {

// Fault injection: the nth (1-based, counted from now) call of operation `op` on any object
// returns `result` for `times` consecutive calls; an injected call has no other effect (outputs
// such as a created object are set to null). Operation names: "Blt", "BltFast", "Flip", "GetDC",
// "ReleaseDC", "Restore", "CreateSurface", "GetAttachedSurface", "GetPixelFormat",
// "GetSurfaceDesc", "SetCooperativeLevel", "SetDisplayMode", "GetCaps", "CreatePalette",
// "SetColorKey", "DirectDrawCreate", and also "IsLost". Several faults may be armed at once,
// each counting calls on its own; when two fall due on the same call the earlier armed wins.
void InjectFault(const char* op, int nth, HRESULT result, int times = 1);
void ClearFaults();

// Marks every live surface lost, as a mode switch would on a real display.
void MarkAllSurfacesLost();

// Replaces dwCaps and dwFXCaps that GetCaps reports for the driver and the emulation layer.
void SetCapsOverride(DWORD driverCaps, DWORD driverFxCaps, DWORD helCaps, DWORD helFxCaps);
void ClearCapsOverride();

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
void StartCallLog();  // starts an empty log
std::vector<Call> CallLog();
void StopCallLog();

int LiveObjectCount();  // DirectDraw objects + surfaces + palettes alive now

struct PixelView {
    std::uint16_t* pixels;
    int width, height, pitchPixels;
};
// Pixels of a surface made by this layer; valid until the surface is flipped or released.
PixelView SurfacePixels(IDirectDrawSurface* surface);

// The 256 entries of a palette made by this layer (empty for any other palette).
std::vector<PALETTEENTRY> PaletteEntries(IDirectDrawPalette* palette);

// Video memory held by surfaces of all live DirectDraw objects (each object has its own budget).
std::uint32_t VideoMemoryUsedBytes();

// Blits run on an AVX2 build of the pixel loops where the processor has AVX2; true forces the
// baseline (SSE2) build, so tests can cover both on one machine.
void UseBaselineBlitter(bool baseline);

void ResetForTesting();  // clears faults, caps overrides and the call log; back to the best blitter

}  // namespace platform::ddraw
