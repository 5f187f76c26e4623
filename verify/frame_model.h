// The frame check's own re-drawing of the program's frames. It keeps what it believes each of the
// two flip-chain buffers holds and re-draws each composed frame onto the belief of the buffer it
// went into, from the frame's scene values and the pictures as read back. Every rectangle is
// derived here from the scene values (the cell of a frame, the whole sprite placed and then cut
// at the screen's edges, the erase two frames later), with an erase history of its own; nothing
// is taken from the composer. No Windows header here.
#pragma once

#include <cstdint>
#include <vector>

#include "verify/pixels.h"

namespace verify {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// What one frame is drawn from, as the composer copied it.
struct SceneValues {
    bool tilePhase = false;
    int tileCount = 0;
    int gnollX = 0, gnollY = 0, gnollDirection = 1, gnollFrame = 0;
    int fireballActive = 0, fireballX = 0, fireballY = 0, fireballFrame = 0;
};

// The draw steps a difference is put down to.
enum class StepKind : std::uint8_t {
    EarlierContent,  // no step of this frame wrote the pixel
    TileCopy,
    MirrorTestBlock,
    FullScreenCopy,
    Strip,
    KeyProbe,
    Creature,
    CreatureMirrored,
    Erase,
    FireballUpDown,
    FireballBoth,
    CounterText,  // beside the counter's box, drawn by the system's fonts
};
const char* StepName(StepKind kind);

struct Step {
    StepKind kind;
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
    // The buffers' contents became undefined (a restoration).
    void ForgetBuffers();

    // Re-draws one frame onto the belief of `buffer` (0 or 1); `key` is the colour key's pixel.
    void Redraw(int buffer, const SceneValues& values, Pixel key, const Pictures& pictures);

    Image Belief(int buffer) { return Image{beliefs_[buffer].data(), kScreenWidth, kScreenHeight, kScreenWidth}; }
    bool Defined(int buffer) const { return defined_[buffer]; }
    void SetDefined(int buffer) { defined_[buffer] = true; }

    // The steps of the last Redraw; which of them last wrote (x, y) (-1 for none), and which was
    // the last to cover it with its rectangle, written or left by its key (-1 for none).
    const Step* Steps() const { return steps_; }
    int StepCount() const { return stepCount_; }
    int OwnerAt(int x, int y) const {
        const std::size_t i = static_cast<std::size_t>(y) * kScreenWidth + static_cast<std::size_t>(x);
        return stamps_[i] == serial_ ? owners_[i] : -1;
    }
    int CoveringStep(int x, int y) const {
        for (int i = stepCount_ - 1; i >= 0; --i) {
            if (steps_[i].rect.Contains(x, y)) return i;
        }
        return -1;
    }

private:
    // The box of a fireball copy, for erasing it two frames later.
    struct PairRecord {
        bool drawn = false;
        int firstX = 0, secondX = 0, y = 0;  // unclipped top-left corners
    };

    void Begin(StepKind kind, Rect rect);
    void RedrawTilePhase(const Image& dest, const SceneValues& values, const Pictures& pictures);
    void RedrawScene(const Image& dest, const SceneValues& values, Pixel key, const Pictures& pictures);

    std::vector<Pixel> beliefs_[2];
    bool defined_[2] = {false, false};
    std::vector<Pixel> fx_;    // the 128x128 scratch surface
    std::vector<Pixel> tile_;  // one 64x64 tile
    std::vector<std::uint32_t> stamps_;
    std::vector<std::uint8_t> owners_;
    std::uint32_t serial_ = 0;
    Owners owning_{};
    Step steps_[kMaxSteps] = {};
    int stepCount_ = 0;
    PairRecord pairs_[2];  // [0] the last scene frame's, [1] the one before
};

}  // namespace verify
