#include <algorithm>

#include "display/blit_primitives.h"
#include "display/display_context.h"
#include "display/frame_observer.h"
#include "scene/scene_state.h"
#include "scene/scene_trace.h"

namespace {

constexpr std::int32_t kCellWidth = 100;
constexpr std::int32_t kCellHeight = 120;
constexpr std::int32_t kSheetColumns = 5;
constexpr std::int32_t kRightClipX = kScreenWidth - kCellWidth;  // 540
constexpr std::int32_t kStripTop = 347;
constexpr std::int32_t kStripHeight = 128;
constexpr std::int32_t kProbeX = 256;
constexpr std::int32_t kProbeSize = 128;
constexpr std::int32_t kFireballSize = 64;
constexpr std::int32_t kFireballHalf = 32;
constexpr std::int32_t kMirrorX = kScreenWidth - kFireballHalf;       // 608: second copy at 608 - fx
constexpr std::int32_t kEraseMirrorX = kScreenWidth - kFireballSize;  // 576: its erase at 576 - x
constexpr RECT kMirrorTestBlock = {483, 213, 547, 277};
constexpr DWORD kKeyGreen = 0x0000FF00;
constexpr DWORD kMirroredBlt = DDBLT_WAIT | DDBLT_DDFX;
constexpr DWORD kKeyedMirroredBlt = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX;
constexpr DWORD kKeyedFast = DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY;

// The scene values one frame is drawn from, copied once.
struct SceneCopy {
    std::int32_t gnollFrame;
    std::int32_t gnollDirection;
    std::int32_t gnollX;
    std::int32_t gnollY;
    std::int32_t fireballActive;
    std::int32_t fireballX;
    std::int32_t fireballY;
    std::int32_t fireballFrame;
};

RECT Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return RECT{left, top, right, bottom};
}

// Paints the whole background into the back buffer through the video-memory tiles, column by
// column, then sends one block through a tile mirrored twice; with no tiles, one plain copy. The
// flip is the caller's.
std::int32_t ComposeTilePhase(DisplayContext& display) {
    IDirectDrawSurface** surfaces = display.surfaces;
    RECT rect;
    if (display.tileCount <= 0) {
        rect = Rect(0, 0, kScreenWidth, kScreenHeight);
        return BltRetry(surfaces[BackBuffer], 0, 0, surfaces[Background], &rect, 0, nullptr);
    }
    std::int32_t tile = 0;
    for (std::int32_t x = 0; x < kScreenWidth; x += kTileSize) {
        for (std::int32_t y = 0; y < kScreenHeight; y += kTileSize) {
            const std::int32_t w = std::min(kTileSize, kScreenWidth - x);
            const std::int32_t h = std::min(kTileSize, kScreenHeight - y);
            rect = Rect(x, y, x + w, y + h);
            if (!BltFastRetry(display.tiles[tile], 0, 0, surfaces[Background], &rect, DDBLTFAST_WAIT)) return 0;
            rect = Rect(0, 0, w, h);
            if (!BltFastRetry(surfaces[BackBuffer], x, y, display.tiles[tile], &rect, DDBLTFAST_WAIT)) return 0;
            if (++tile == display.tileCount) tile = 0;
        }
    }
    DDBLTFX effects{};
    effects.dwSize = sizeof effects;
    effects.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT;
    rect = kMirrorTestBlock;
    if (!BltRetry(display.tiles[tile], 0, 0, surfaces[Background], &rect, kMirroredBlt, &effects)) return 0;
    rect = Rect(0, 0, kTileSize, kTileSize);
    return BltRetry(surfaces[BackBuffer], kMirrorTestBlock.left, kMirrorTestBlock.top, display.tiles[tile], &rect,
                    kMirroredBlt, &effects);
}

// The part of the creature's cell in FxSurface that lies on screen, and where it goes. Walking
// left the cell is drawn mirrored, so the opposite side of the cell is cut at each edge.
void ClipCreature(std::int32_t x, std::int32_t direction, RECT& source, std::int32_t& destX) {
    source = Rect(0, 0, kCellWidth, kCellHeight);
    destX = x;
    if (x > kRightClipX) {
        if (direction == -1) {
            source.left = x - kRightClipX;
        } else {
            source.right = kScreenWidth - x;
        }
    } else if (x < 0) {
        if (direction == -1) {
            source.right = x + kCellWidth;
        } else {
            source.left = -x;
        }
        destX = 0;
    }
}

// Everything of a scene frame up to the flip, which is the caller's.
std::int32_t ComposeScene(SceneState& scene, DisplayContext& display, const SceneCopy& s) {
    IDirectDrawSurface** surfaces = display.surfaces;
    RECT rect;
    DDBLTFX effects{};
    effects.dwSize = sizeof effects;

    // The strip under the creature's walk, which also removes the creature drawn two frames ago.
    rect = Rect(0, 0, kScreenWidth, kStripHeight);
    if (!BltFastRetry(surfaces[BackBuffer], 0, kStripTop, surfaces[BackgroundStrip], &rect, DDBLTFAST_WAIT)) return 0;

    // Colour-key probe: an all-key surface blitted keyed must leave the picture unchanged.
    if (!display.FillSurface(FxSurface, kKeyGreen)) return 0;
    rect = Rect(0, 0, kProbeSize, kProbeSize);
    if (!BltFastRetry(surfaces[BackBuffer], kProbeX, 0, surfaces[FxSurface], &rect, kKeyedFast)) return 0;

    // The creature: its cell into FxSurface unkeyed, then keyed onto the screen.
    const std::int32_t column = s.gnollFrame % kSheetColumns;
    const std::int32_t row = s.gnollFrame / kSheetColumns;
    rect =
        Rect(kCellWidth * column, kCellHeight * row, kCellWidth * column + kCellWidth, kCellHeight * row + kCellHeight);
    if (!BltRetry(surfaces[FxSurface], 0, 0, surfaces[GnollSheet], &rect, DDBLT_WAIT, nullptr)) return 0;
    std::int32_t creatureX = 0;
    ClipCreature(s.gnollX, s.gnollDirection, rect, creatureX);
    if (s.gnollDirection == -1) {
        effects.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT;
        if (!BltRetry(surfaces[BackBuffer], creatureX, s.gnollY, surfaces[FxSurface], &rect, kKeyedMirroredBlt,
                      &effects)) {
            return 0;
        }
    } else if (!BltFastRetry(surfaces[BackBuffer], creatureX, s.gnollY, surfaces[FxSurface], &rect, kKeyedFast)) {
        return 0;
    }

    // This buffer was composed two frames ago: put back the background under the pair drawn then.
    if (scene.erasePrevious.drawn == 1) {
        const std::int32_t ex = std::max(0, scene.erasePrevious.x);
        const std::int32_t ey = std::max(0, scene.erasePrevious.y);
        const std::int32_t mx = std::min(kEraseMirrorX, kEraseMirrorX - scene.erasePrevious.x);
        if (!display.FillSurface(FxSurface, kKeyGreen)) return 0;
        rect = Rect(ex, ey, ex + kFireballSize, ey + kFireballSize);
        if (!BltFastRetry(surfaces[BackBuffer], ex, ey, surfaces[Background], &rect, DDBLTFAST_WAIT)) return 0;
        rect = Rect(mx, ey, mx + kFireballSize, ey + kFireballSize);
        if (!BltFastRetry(surfaces[BackBuffer], mx, ey, surfaces[Background], &rect, DDBLTFAST_WAIT)) return 0;
    }

    if (s.fireballActive == 1) {
        const std::int32_t fx = s.fireballX;
        const std::int32_t fy = s.fireballY;
        if (!display.FillSurface(FxSurface, kKeyGreen)) return 0;
        rect = Rect(kFireballSize * s.fireballFrame, 0, kFireballSize * s.fireballFrame + kFireballSize, kFireballSize);
        if (!BltRetry(surfaces[FxSurface], 0, 0, surfaces[FireballSheet], &rect, DDBLT_WAIT, nullptr)) return 0;

        const std::int32_t bx = std::max(0, fx - kFireballHalf);
        const std::int32_t by = std::max(0, fy - kFireballHalf);
        scene.erasePrevious = scene.eraseCurrent;
        scene.eraseCurrent = {1, bx, by};

        // Cut what would lie off screen. The first copy is mirrored up-down, so at the top edge the
        // frame's bottom rows are the ones cut.
        rect = Rect(fx < kFireballHalf ? kFireballHalf - fx : 0, 0, kFireballSize,
                    fy < kFireballHalf ? fy + kFireballHalf : kFireballSize);
        effects.dwDDFX = DDBLTFX_MIRRORUPDOWN;
        if (!BltRetry(surfaces[BackBuffer], bx, by, surfaces[FxSurface], &rect, kKeyedMirroredBlt, &effects)) return 0;
        // The second copy is the first reflected about x = 320.
        effects.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN;
        if (!BltRetry(surfaces[BackBuffer], kMirrorX - fx, by, surfaces[FxSurface], &rect, kKeyedMirroredBlt,
                      &effects)) {
            return 0;
        }
    } else {
        scene.erasePrevious = scene.eraseCurrent;
        scene.eraseCurrent = {0, 0, 0};
    }

    return display.DrawFrameRate(BackBuffer);
}

}  // namespace

std::int32_t SceneState::RenderFrame() {
    // Wait out a running step, reading the flag afresh each time; no sleep.
    while (busy.load(std::memory_order_acquire) == 1) {
    }
    const std::int32_t phase = tilePhaseFrames;
    const SceneCopy copy{gnollFrame.load(std::memory_order_relaxed),     gnollDirection.load(std::memory_order_relaxed),
                         gnollX.load(std::memory_order_relaxed),         gnollY.load(std::memory_order_relaxed),
                         fireballActive.load(std::memory_order_relaxed), fireballX.load(std::memory_order_relaxed),
                         fireballY.load(std::memory_order_relaxed),      fireballFrame.load(std::memory_order_relaxed)};
    DisplayContext* display = gDisplay;
    if (display == nullptr) return 0;

    std::int32_t result;
    if (phase >= 1) {
        tilePhaseFrames = phase - 1;
        result = ComposeTilePhase(*display);
    } else {
        result = ComposeScene(*this, *display, copy);
    }
    if (result != 0) {
        // A frame check sees the composed frame before it is shown, and the flip after.
        if (gFrameObserver != nullptr) {
            const ObservedScene observed{.tilePhase = phase >= 1,
                                         .tileCount = display->tileCount,
                                         .gnollX = copy.gnollX,
                                         .gnollY = copy.gnollY,
                                         .gnollDirection = copy.gnollDirection,
                                         .gnollFrame = copy.gnollFrame,
                                         .fireballActive = copy.fireballActive,
                                         .fireballX = copy.fireballX,
                                         .fireballY = copy.fireballY,
                                         .fireballFrame = copy.fireballFrame};
            const ObservedText counter = LastFrameRateText();
            gFrameObserver->FrameComposed(display->surfaces[BackBuffer], observed, phase >= 1 ? nullptr : &counter,
                                          FramesTraced() + 1);
        }
        result = display->FlipPages();
        if (result != 0 && gFrameObserver != nullptr) {
            gFrameObserver->FrameFlipped(display->surfaces[Primary], FramesTraced() + 1);
        }
    }
    TraceFrame({phase >= 1,
                {copy.gnollX, copy.gnollY, copy.gnollDirection, copy.gnollFrame},
                {copy.fireballActive, copy.fireballX, copy.fireballY, copy.fireballFrame},
                display->fpsValue,
                display->tileCount,
                result != 0});
    return result;
}
