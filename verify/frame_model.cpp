#include "verify/frame_model.h"

#include <algorithm>

#include "verify/redraw.h"

namespace verify {
namespace {

constexpr int kTileSize = 64;
constexpr int kFxSize = 128;
constexpr int kProbeX = 256;
constexpr int kCellWidth = 100, kCellHeight = 120, kSheetColumns = 5;
constexpr int kFireballSize = 64;
constexpr Rect kMirrorTestBlock = {483, 213, 547, 277};

}  // namespace

const char* StepName(DrawKind kind) {
    switch (kind) {
        case DrawKind::TileCopy: return "a tile copy";
        case DrawKind::MirrorTestBlock: return "the mirrored test block";
        case DrawKind::FullScreenCopy: return "the full-screen copy (no tiles)";
        case DrawKind::BackgroundStrip: return "the background strip";
        case DrawKind::ColourKeyProbe: return "the colour-key probe";
        case DrawKind::CreatureKeyed: return "the creature's keyed blit";
        case DrawKind::CreatureMirroredKeyed: return "the creature's mirrored keyed blit";
        case DrawKind::Erase: return "an erase";
        case DrawKind::FireballUpDown: return "a fireball's keyed blit mirrored up-down";
        case DrawKind::FireballBothWays: return "a fireball's keyed blit mirrored both ways";
    }
    return "?";
}

FrameModel::FrameModel()
    : fx_(kFxSize * kFxSize),
      tile_(kTileSize * kTileSize),
      stamps_(kScreenWidth * kScreenHeight),
      owners_(kScreenWidth * kScreenHeight) {
    for (auto& belief : beliefs_) belief.assign(kScreenWidth * kScreenHeight, 0);
    owning_.stamps = stamps_.data();
    owning_.steps = owners_.data();
    owning_.pitch = kScreenWidth;
}

void FrameModel::Reset() {
    ForgetBuffers();
    pairs_[0] = pairs_[1] = PairRecord{};
}

void FrameModel::ForgetBuffers() { defined_[0] = defined_[1] = false; }

void FrameModel::Overwritten(int buffer, const Rect& rect) {
    StripState& state = strips_[buffer];
    if (state.rectCount == static_cast<int>(std::size(state.rects))) {
        state.known = false;
        return;
    }
    state.rects[state.rectCount++] = rect;
}

// The strip over its band. Where the band is known to hold the strip but for a few rectangles,
// only those are copied again: the result is the same as copying it whole.
void FrameModel::RedrawStrip(int buffer, const Image& dest, const ConstImage& strip) {
    StripState& state = strips_[buffer];
    const Rect band{0, kStripTop, strip.width, kStripTop + strip.height};
    if (state.known && defined_[buffer] && state.picture == strip.pixels) {
        for (int i = 0; i < state.rectCount; ++i) {
            const Rect& r = state.rects[i];
            const Rect part{std::max(r.left, band.left), std::max(r.top, band.top), std::min(r.right, band.right),
                            std::min(r.bottom, band.bottom)};
            if (part.left >= part.right || part.top >= part.bottom) continue;
            Copy(dest, part.left, part.top, strip,
                 Rect{part.left, part.top - kStripTop, part.right, part.bottom - kStripTop}, nullptr, kNoMirror,
                 nullptr);
        }
    } else {
        Copy(dest, 0, kStripTop, strip, Rect{0, 0, strip.width, strip.height}, nullptr, kNoMirror, recording_);
    }
    state = StripState{true, strip.pixels, 0, {}};
}

void FrameModel::Begin(DrawKind kind, Rect rect) {
    steps_[stepCount_] = Step{kind, ClipToScreen(rect)};
    owning_.step = static_cast<std::uint8_t>(stepCount_);
    ++stepCount_;
}

void FrameModel::Redraw(int buffer, const SceneValues& values, Pixel key, const Pictures& pictures) {
    recording_ = nullptr;
    if (!defined_[buffer]) {
        // A fresh serial makes every pixel "not written in this frame"; at the wrap, clear for real.
        if (++serial_ == 0) {
            std::fill(stamps_.begin(), stamps_.end(), 0u);
            serial_ = 1;
        }
        owning_.serial = serial_;
        recording_ = &owning_;
    }
    stepCount_ = 0;
    const Image dest = Belief(buffer);
    if (values.tilePhase) {
        RedrawTilePhase(dest, values, pictures);
        strips_[buffer].known = false;
    } else {
        RedrawScene(buffer, dest, values, key, pictures);
        // Step 0 is the strip itself; what the others drew into its band is restored next time.
        for (int i = 1; i < stepCount_; ++i) Overwritten(buffer, steps_[i].rect);
    }
}

void FrameModel::MoveEraseHistory(const SceneValues& values) {
    pairs_[1] = pairs_[0];
    pairs_[0] = PairRecord{};
    if (values.fireballActive == 1) {
        // Centred on the fireball's position, and its reflection about the screen's centre line.
        const int half = kFireballSize / 2;
        pairs_[0] = PairRecord{true, values.fireballX - half, kScreenWidth - (values.fireballX + half),
                               values.fireballY - half};
    }
}

// The whole background: cell by cell through a tile (each cell cut at the screen's bottom), then
// one block through a tile mirrored twice; or one copy when there are no tiles.
void FrameModel::RedrawTilePhase(const Image& dest, const SceneValues& values, const Pictures& pictures) {
    if (values.tileCount <= 0) {
        Begin(DrawKind::FullScreenCopy, Rect{0, 0, kScreenWidth, kScreenHeight});
        Copy(dest, 0, 0, pictures.background, Rect{0, 0, kScreenWidth, kScreenHeight}, nullptr, kNoMirror, recording_);
        return;
    }
    const Image tile{tile_.data(), kTileSize, kTileSize, kTileSize};
    for (int x = 0; x < kScreenWidth; x += kTileSize) {
        for (int y = 0; y < kScreenHeight; y += kTileSize) {
            const Rect cell = ClipToScreen(Rect{x, y, x + kTileSize, y + kTileSize});
            Copy(tile, 0, 0, pictures.background, cell, nullptr, kNoMirror, nullptr);
            Begin(DrawKind::TileCopy, cell);
            Copy(dest, x, y, tile, Rect{0, 0, cell.Width(), cell.Height()}, nullptr, kNoMirror, recording_);
        }
    }
    Copy(tile, 0, 0, pictures.background, kMirrorTestBlock, nullptr, kMirrorLeftRight, nullptr);
    Begin(DrawKind::MirrorTestBlock, kMirrorTestBlock);
    Copy(dest, kMirrorTestBlock.left, kMirrorTestBlock.top, tile, Rect{0, 0, kTileSize, kTileSize}, nullptr,
         kMirrorLeftRight, recording_);
}

void FrameModel::RedrawScene(int buffer, const Image& dest, const SceneValues& values, Pixel key,
                             const Pictures& pictures) {
    const Image fx{fx_.data(), kFxSize, kFxSize, kFxSize};

    Begin(DrawKind::BackgroundStrip, Rect{0, kStripTop, kScreenWidth, kStripTop + pictures.strip.height});
    RedrawStrip(buffer, dest, pictures.strip);

    // The probe blits the scratch surface, all of it the key, with the key: where the key is
    // honoured that changes nothing, so the step is known by its rectangle alone.
    Begin(DrawKind::ColourKeyProbe, Rect{kProbeX, 0, kProbeX + kFxSize, kFxSize});

    // The whole cell placed at the creature's position and cut at the screen's edges. Only the
    // scratch's corner of a cell's size is read back, and it holds the key wherever the copy into
    // it was cut short (a sheet smaller than its cells).
    const int column = values.gnollFrame % kSheetColumns, row = values.gnollFrame / kSheetColumns;
    const Rect cell{kCellWidth * column, kCellHeight * row, kCellWidth * (column + 1), kCellHeight * (row + 1)};
    Fill(fx, Rect{0, 0, kCellWidth, kCellHeight}, key, nullptr);
    Copy(fx, 0, 0, pictures.gnollSheet, cell, nullptr, kNoMirror, nullptr);
    const bool left = values.gnollDirection == -1;
    Begin(left ? DrawKind::CreatureMirroredKeyed : DrawKind::CreatureKeyed,
          Rect{values.gnollX, values.gnollY, values.gnollX + kCellWidth, values.gnollY + kCellHeight});
    Copy(dest, values.gnollX, values.gnollY, fx, Rect{0, 0, kCellWidth, kCellHeight}, &key,
         left ? kMirrorLeftRight : kNoMirror, recording_);

    // The pair drawn into this buffer two frames ago: the background back over each copy's box,
    // the box moved inside the screen.
    const PairRecord erased = pairs_[1];
    if (erased.drawn) {
        const int top = std::clamp(erased.y, 0, kScreenHeight - kFireballSize);
        for (int boxLeft : {erased.firstX, erased.secondX}) {
            const int x = std::clamp(boxLeft, 0, kScreenWidth - kFireballSize);
            const Rect box{x, top, x + kFireballSize, top + kFireballSize};
            Begin(DrawKind::Erase, box);
            Copy(dest, x, top, pictures.background, box, nullptr, kNoMirror, recording_);
        }
    }
    MoveEraseHistory(values);

    if (values.fireballActive == 1) {
        const PairRecord& pair = pairs_[0];
        Fill(fx, Rect{0, 0, kFireballSize, kFireballSize}, key, nullptr);
        const int f = values.fireballFrame;
        Copy(fx, 0, 0, pictures.fireballSheet, Rect{kFireballSize * f, 0, kFireballSize * (f + 1), kFireballSize},
             nullptr, kNoMirror, nullptr);
        const Rect frame{0, 0, kFireballSize, kFireballSize};
        Begin(DrawKind::FireballUpDown, Rect{pair.firstX, pair.y, pair.firstX + kFireballSize, pair.y + kFireballSize});
        Copy(dest, pair.firstX, pair.y, fx, frame, &key, kMirrorUpDown, recording_);
        Begin(DrawKind::FireballBothWays,
              Rect{pair.secondX, pair.y, pair.secondX + kFireballSize, pair.y + kFireballSize});
        Copy(dest, pair.secondX, pair.y, fx, frame, &key, kMirrorLeftRight | kMirrorUpDown, recording_);
    }
}

}  // namespace verify
