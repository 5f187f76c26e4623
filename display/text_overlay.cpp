#include <cstdio>
#include <cstring>

#include "display/display_context.h"
#include "display/frame_observer.h"

namespace {

constexpr std::int32_t kFrameRateX = 300;
constexpr std::int32_t kFrameRateY = 460;
constexpr COLORREF kPureRed = 0x000000FF;
constexpr DWORD kFrameRateWindowMs = 1000;

char gLastFrameRateText[32] = "";  // main thread only

// Runs a device-context call until it is no longer still drawing; a lost surface is restored and,
// when that worked, the call is made again. Returns the final result.
template <typename Call>
HRESULT WithRestore(DisplayContext& context, Call call) {
    for (;;) {
        const HRESULT result = call();
        if (result == DDERR_WASSTILLDRAWING) continue;
        if (result == DDERR_SURFACELOST) {
            if (context.RestoreAllSurfaces() == 1) continue;
        }
        return result;
    }
}

}  // namespace

std::int32_t DisplayContext::DrawSurfaceText(std::int32_t slot, const char* text, std::int32_t x, std::int32_t y,
                                             COLORREF color) {
    if (static_cast<std::uint32_t>(slot) >= kSurfaceSlotCount) return 0;
    IDirectDrawSurface* surface = surfaces[slot];
    if (surface == nullptr) return 0;

    HDC dc = nullptr;
    if (WithRestore(*this, [&] { return surface->GetDC(&dc); }) != DD_OK) return 0;

    const bool drawn = SetBkMode(dc, TRANSPARENT) != 0 && SetTextColor(dc, color) != CLR_INVALID &&
                       TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text))) != 0;

    const HRESULT released = WithRestore(*this, [&] { return surface->ReleaseDC(dc); });
    return drawn && released == DD_OK ? 1 : 0;
}

std::int32_t DisplayContext::DrawFrameRate(std::int32_t slot) {
    ++fpsFrameCount;
    const DWORD now = GetTickCount();
    // Unsigned difference: the clock's wrap past 0xFFFFFFFF does no harm.
    if (static_cast<DWORD>(now - fpsLastTick) > kFrameRateWindowMs) {
        fpsValue = fpsFrameCount;
        fpsFrameCount = 0;
        fpsLastTick = now;
    }
    char text[256];
    std::snprintf(text, sizeof text, "%d %d", static_cast<int>(fpsValue), static_cast<int>(tileCount));
    // The longest text "%d %d" makes is 23 characters: the copy is whole.
    std::snprintf(gLastFrameRateText, sizeof gLastFrameRateText, "%.31s", text);
    return DrawSurfaceText(slot, text, kFrameRateX, kFrameRateY, kPureRed);
}

ObservedText LastFrameRateText() { return ObservedText{gLastFrameRateText, kFrameRateX, kFrameRateY}; }
