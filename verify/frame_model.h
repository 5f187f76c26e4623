// The frame check's own re-drawing of the program's frames. It keeps what it believes each of the
// two flip-chain buffers holds and re-draws each composed frame onto the belief of the buffer it
// went into, from the frame's scene values and the pictures as read back. Every rectangle is
// derived here from the scene values (the cell of a frame, the whole sprite placed and then cut
// at the screen's edges, the erase two frames later), with an erase history of its own; nothing
// is taken from the composer. No Windows header here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "verdict.h"
#include "verify/pixels.h"

namespace verify {

using diagnostics::DrawKind;

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kStripTop = 347;  // the band the creature walks in, rows 347..474

// The part of `r` on the screen.
constexpr Rect ClipToScreen(const Rect& r) {
    return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, kScreenWidth),
                std::min(r.bottom, kScreenHeight)};
}

// What one frame is drawn from, as the composer copied it.
struct SceneValues {
    bool tilePhase = false;
    int tileCount = 0;
    int gnollX = 0, gnollY = 0, gnollDirection = 1, gnollFrame = 0;
    int fireballActive = 0, fireballX = 0, fireballY = 0, fireballFrame = 0;
};

// How the step is named in messages, e.g. "the colour-key probe".
const char* StepName(DrawKind kind);

struct Step {
    DrawKind kind;
    Rect rect;  // where it drew, cut to the screen
};

// The pictures as read back from their surfaces.
struct Pictures {
    ConstImage background, gnollSheet, fireballSheet, strip;
};

class FrameModel {
public:
    static constexpr int kMaxSteps = 96;

    FrameModel();

    // A new run: both buffers undefined, no erase history.
    void Reset();
    // The buffers' contents became undefined (a restoration, or a frame that was not read back).
    void ForgetBuffers();
    void Forget(int buffer) { defined_[buffer] = false; }

    // Re-draws one frame onto the belief of `buffer` (0 or 1); `key` is the colour key's pixel.
    // Into a buffer that is not wholly known, each pixel drawn is recorded as its step's.
    void Redraw(int buffer, const SceneValues& values, Pixel key, const Pictures& pictures);

    Image Belief(int buffer) { return Image{beliefs_[buffer].data(), kScreenWidth, kScreenHeight, kScreenWidth}; }
    bool Defined(int buffer) const { return defined_[buffer]; }
    void SetDefined(int buffer) { defined_[buffer] = true; }
    // Something other than a re-drawing wrote `rect` of the belief of `buffer` (the counter's box
    // taken over from the frame, for example): the next re-drawing must not assume it holds what
    // it drew.
    void Overwritten(int buffer, const Rect& rect);

    // The steps of the last Redraw.
    const Step* Steps() const { return steps_; }
    int StepCount() const { return stepCount_; }
    // Which step of the last Redraw wrote (x, y), when it went into a buffer not wholly known;
    // -1 for none.
    int OwnerAt(int x, int y) const {
        const std::size_t i = static_cast<std::size_t>(y) * kScreenWidth + static_cast<std::size_t>(x);
        return stamps_[i] == serial_ ? owners_[i] : -1;
    }
    // The last step whose rectangle covers (x, y), written or left by its key; -1 for none.
    int CoveringStep(int x, int y) const {
        for (int i = stepCount_ - 1; i >= 0; --i) {
            if (steps_[i].rect.Contains(x, y)) return i;
        }
        return -1;
    }

private:
    // Where a fireball pair was drawn, for erasing it two frames later.
    struct PairRecord {
        bool drawn = false;
        int firstX = 0, secondX = 0, y = 0;  // unclipped top-left corners
    };

    void Begin(DrawKind kind, Rect rect);
    void RedrawTilePhase(const Image& dest, const SceneValues& values, const Pictures& pictures);
    void RedrawScene(int buffer, const Image& dest, const SceneValues& values, Pixel key, const Pictures& pictures);
    void MoveEraseHistory(const SceneValues& values);
    void RedrawStrip(int buffer, const Image& dest, const ConstImage& strip);

    // What the band of a belief holds beyond the strip: the strip is re-drawn every frame, so
    // once a belief's band is the strip it only needs restoring where something else was drawn
    // into it since. Known only while the same strip picture is in use.
    struct StripState {
        bool known = false;
        const Pixel* picture = nullptr;
        int rectCount = 0;
        Rect rects[16] = {};
    };

    std::vector<Pixel> beliefs_[2];
    bool defined_[2] = {false, false};
    std::vector<Pixel> fx_;    // the 128x128 scratch surface
    std::vector<Pixel> tile_;  // one 64x64 tile
    std::vector<std::uint32_t> stamps_;
    std::vector<std::uint8_t> owners_;
    std::uint32_t serial_ = 0;
    Owners owning_{};
    const Owners* recording_ = nullptr;  // &owning_ while drawing into a buffer not wholly known
    Step steps_[kMaxSteps] = {};
    int stepCount_ = 0;
    PairRecord pairs_[2];  // [0] the last scene frame's, [1] the one before
    StripState strips_[2];
};

}  // namespace verify
