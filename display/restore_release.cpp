#include <initializer_list>

#include "display/display_context.h"
#include "display/frame_observer.h"

namespace {

// Restores the surface in `slot` if there is one; true when there was none or it came back.
bool RestoreSlot(DisplayContext& context, SurfaceSlot slot) {
    IDirectDrawSurface* surface = context.surfaces[slot];
    return surface == nullptr || surface->Restore() == DD_OK;
}

bool RestoreKeyedSlot(DisplayContext& context, SurfaceSlot slot) {
    IDirectDrawSurface* surface = context.surfaces[slot];
    if (surface == nullptr) return true;
    if (surface->Restore() != DD_OK) return false;
    surface->SetColorKey(DDCKEY_SRCBLT, context.ColorKey());  // the result is not examined
    return true;
}

}  // namespace

std::int32_t DisplayContext::RestoreAllSurfaces() {
    if (gFrameObserver != nullptr) gFrameObserver->RestorationBegun();
    if (!RestoreSlot(*this, Primary)) return 0;
    if (!RestoreKeyedSlot(*this, FxSurface)) return 0;
    if (!RestoreKeyedSlot(*this, Pointer1)) return 0;
    if (!RestoreKeyedSlot(*this, Pointer2)) return 0;
    // tileCount is read afresh on every pass; an empty entry ends the walk without failing.
    for (std::int32_t index = 0; index < tileCount; ++index) {
        if (tiles[index] == nullptr) break;
        if (tiles[index]->Restore() != DD_OK) return 0;
    }
    for (SurfaceSlot slot : {Background, GnollSheet, BackgroundStrip, FireballSheet}) {
        if (!RestoreSlot(*this, slot)) return 0;
    }
    if (LoadSceneBitmaps() == 0) return 0;
    if (gFrameObserver != nullptr) {
        gFrameObserver->PicturesLoaded(
            {surfaces[Background], surfaces[GnollSheet], surfaces[FireballSheet], surfaces[BackgroundStrip]});
    }
    return 1;
}

void DisplayContext::ReleaseAll() {
    if (surfaces != nullptr) {
        // The back buffer belongs to the primary's flip chain and goes with it.
        for (SurfaceSlot slot :
             {Primary, FxSurface, Pointer1, Pointer2, Background, GnollSheet, BackgroundStrip, FireballSheet}) {
            if (surfaces[slot] != nullptr) {
                surfaces[slot]->Release();
                surfaces[slot] = nullptr;
            }
        }
        delete[] surfaces;
        surfaces = nullptr;
    }
    for (std::int32_t index = 0; index < tileCount; ++index) {
        tiles[index]->Release();
        tiles[index] = nullptr;
    }
    tileCount = 0;
    gDisplay = nullptr;
    // The palettes are ours too; give them back so nothing outlives the DirectDraw object.
    for (IDirectDrawPalette** palette : {&backgroundPalette, &gnollPalette}) {
        if (*palette != nullptr) {
            (*palette)->Release();
            *palette = nullptr;
        }
    }
    if (directDraw != nullptr) {
        directDraw->Release();
        directDraw = nullptr;
    }
}
