#include "display/display_context.h"

#include <new>

DisplayContext::DisplayContext()
    : fpsLastTick(GetTickCount()),
      fpsFrameCount(0),
      fpsValue(66),
      directDraw(nullptr),
      surfaces(new (std::nothrow) IDirectDrawSurface*[kSurfaceSlotCount]),
      tileCount(0),
      backgroundPalette(nullptr),
      gnollPalette(nullptr) {
    // A failed table allocation leaves `surfaces` null; start-up checks it before use.
    if (surfaces != nullptr) {
        for (std::int32_t slot = 0; slot < kSurfaceSlotCount; ++slot) surfaces[slot] = nullptr;
    }
}
