#include "display/blit_primitives.h"

#include "display/display_context.h"

namespace {

enum class Outcome { Done, Failed, Lost, Again };

Outcome Classify(HRESULT result) {
    if (result == DD_OK) return Outcome::Done;
    if (result == DDERR_WASSTILLDRAWING) return Outcome::Again;
    if (result == DDERR_SURFACELOST) return Outcome::Lost;
    return Outcome::Failed;
}

// Issues `call` until it is no longer still drawing. A lost surface restores `context` once and
// fails. Nothing here outlives the call: the restoration may re-enter these primitives.
template <typename Call>
std::int32_t UnderPolicy(DisplayContext* context, Call call) {
    for (;;) {
        switch (Classify(call())) {
            case Outcome::Done: return 1;
            case Outcome::Again: continue;
            case Outcome::Lost:
                if (context != nullptr) context->RestoreAllSurfaces();
                return 0;
            case Outcome::Failed: return 0;
        }
    }
}

}  // namespace

std::int32_t BltFastRetry(IDirectDrawSurface* dest, DWORD x, DWORD y, IDirectDrawSurface* source, RECT* sourceRect,
                          DWORD flags) {
    return UnderPolicy(gDisplay, [&] { return dest->BltFast(x, y, source, sourceRect, flags); });
}

std::int32_t BltRetry(IDirectDrawSurface* dest, std::int32_t x, std::int32_t y, IDirectDrawSurface* source,
                      RECT* sourceRect, DWORD flags, DDBLTFX* effects) {
    RECT destRect;
    destRect.left = x;
    destRect.top = y;
    destRect.right = x + (sourceRect->right - sourceRect->left);
    destRect.bottom = y + (sourceRect->bottom - sourceRect->top);
    return UnderPolicy(gDisplay, [&] { return dest->Blt(&destRect, source, sourceRect, flags, effects); });
}

std::int32_t DisplayContext::FillSurface(std::int32_t slot, DWORD color) {
    if (static_cast<std::uint32_t>(slot) >= kSurfaceSlotCount) return 0;
    IDirectDrawSurface* surface = surfaces[slot];
    if (surface == nullptr) return 0;

    const DWORD red = color & 0xFF;
    const DWORD green = (color >> 8) & 0xFF;
    const DWORD blue = (color >> 16) & 0xFF;
    const DWORD pixel =
        ((red >> redLoss) << redShift) | ((green >> greenLoss) << greenShift) | ((blue >> blueLoss) << blueShift);

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (surface->GetSurfaceDesc(&desc) != DD_OK) return 0;
    RECT whole;
    whole.left = 0;
    whole.top = 0;
    whole.right = static_cast<LONG>(desc.dwWidth);
    whole.bottom = static_cast<LONG>(desc.dwHeight);

    DDBLTFX effects{};
    effects.dwSize = sizeof effects;
    effects.dwFillColor = pixel;
    return BltRetry(surface, 0, 0, nullptr, &whole, DDBLT_COLORFILL | DDBLT_WAIT, &effects) == 1 ? 1 : 0;
}

std::int32_t DisplayContext::FlipPages() {
    IDirectDrawSurface* primary = surfaces[Primary];
    return UnderPolicy(this, [&] { return primary->Flip(nullptr, DDFLIP_WAIT); });
}
