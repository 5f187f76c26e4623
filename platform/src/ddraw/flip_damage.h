// The damage of each frame a flip chain shows: where it differs from the frame shown before it,
// which is what a presenter that keeps earlier frames must convert and send.
//
// Each buffer of the chain records what was written into it since it was last shown. With two
// buffers, the frame shown now was drawn over the frame two flips ago, while the frame shown
// before it lies in the other buffer. So the two can differ only where this buffer was written
// since it last held a frame on screen, where the other one was written since it was shown, and
// where the frame before differed from the one before it (the two buffers hold those two frames
// wherever nothing was written since). Only there are the two buffers compared, pixel for pixel,
// and what differs is the damage: a scene that redraws a whole band to move a sprite in it damages
// the sprite's old and new places, and a frame drawn the same as the one before damages nothing.
//
// The chain keeps, as a ring, the damage of the frames its other buffers hold: one frame, with
// two buffers. The first frame, and the first after Forget, is damaged everywhere.
#pragma once

#include <cstdint>

#include "host/damage.h"

namespace platform::ddraw {

// A buffer's pixels: rows pitchPixels apart.
struct BufferView {
    const std::uint16_t* pixels;
    int width, height, pitchPixels;
};

class FlipDamage {
public:
    static constexpr int kChainBuffers = 2;

    // A flip has just made `shown` the front buffer. shownWrites: what was written into it since it
    // was last shown; otherWrites: what was written into the other buffer, `other`, since it was
    // shown (by the flip before). Returns the new frame's damage, valid until the next call.
    const host::Damage& Flip(const host::Damage& shownWrites, const host::Damage& otherWrites, BufferView shown,
                             BufferView other);

    // Writes went unrecorded: the next frame is damaged everywhere.
    void Forget();

private:
    struct Frame {
        bool known = false;
        host::Damage damage;
    };
    // Adds to damage_ the rows of `candidates` where shown and other differ, each run of rows as
    // one rectangle from its first to its last differing column.
    void AddDifferences(const host::Damage& candidates, BufferView shown, BufferView other);

    Frame ring_[kChainBuffers - 1];
    std::uint64_t flips_ = 0;
    bool forgotten_ = true;
    host::Damage damage_;
    host::Damage candidates_;
};

// How many frames the ring keeps: one fewer than the chain has buffers (a test build can keep one
// fewer still).
int FlipDamageFramesKept();

}  // namespace platform::ddraw
