// Test controls of the software DirectDraw: fault injection, a call log, capability overrides,
// object counts and direct access to surface pixels. Only tests and benchmarks link these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ddraw.h"
#include "ddraw/blit_kernels.h"
#include "ddraw/call_record.h"
#include "ddraw/surface.h"

namespace platform::ddraw {

// Fault injection: the nth (1-based, counted from now) call of operation `op` on any object
// returns `result` for `times` consecutive calls; an injected call has no other effect (outputs
// such as a created object are set to null). Operation names: "Blt", "BltFast", "Flip", "GetDC",
// "ReleaseDC", "Restore", "CreateSurface", "GetAttachedSurface", "GetPixelFormat",
// "GetSurfaceDesc", "SetCooperativeLevel", "SetDisplayMode", "GetCaps", "CreatePalette",
// "SetColorKey", "DirectDrawCreate", and also "IsLost". Several faults may be armed at once,
// each counting calls on its own; when two fall due on the same call the earlier armed wins.
void InjectFault(const char* op, int nth, HRESULT result, int times = 1);
// The same for calls of `op` on surfaces with all of `surfaceCaps` only (e.g. DDSCAPS_BACKBUFFER),
// counted among those; Lock takes such faults.
void InjectFaultOn(const char* op, DWORD surfaceCaps, int nth, HRESULT result, int times = 1);
// Marks every live surface lost just before the nth call of `op` (counted as InjectFault counts),
// so that call meets a real loss: restoring then gives the surfaces undefined contents.
void LoseAllSurfacesAt(const char* op, int nth);
void ClearFaults();

// Replaces dwCaps and dwFXCaps that GetCaps reports for the driver and the emulation layer.
void SetCapsOverride(DWORD driverCaps, DWORD driverFxCaps, DWORD helCaps, DWORD helFxCaps);
void ClearCapsOverride();

void StartCallLog();  // starts an empty log
std::vector<Call> CallLog();
void StopCallLog();

int LiveObjectCount();  // DirectDraw objects + surfaces + palettes alive now

// Pixels of a surface made by this layer; valid until the surface is flipped or released.
PixelView SurfacePixels(IDirectDrawSurface* surface);

// The 256 entries of a palette made by this layer (empty for any other palette).
std::vector<PALETTEENTRY> PaletteEntries(IDirectDrawPalette* palette);

// Video memory held by surfaces of all live DirectDraw objects (each object has its own budget).
std::uint32_t VideoMemoryUsedBytes();

void ResetForTesting();  // clears faults, caps overrides and the call log; back to the best blitter

}  // namespace platform::ddraw
