// The damage of each frame a flip chain shows: where it may differ from the frame shown before
// it, which is what a presenter that keeps earlier frames must convert and send.
//
// Each buffer of the chain records what was written into it since it was last shown. With two
// buffers, the frame shown now was drawn over the frame two flips ago, while the frame shown
// before it lies in the other buffer; so the two may differ wherever either buffer was written
// since it last held a frame on screen: this frame's writes, the writes the frame before was shown
// with, and what was written into the other buffer since. Anywhere else they hold the two frames
// before, which differed at most within the damage of the older one: that part, usually small
// (a sprite's old place, rewritten in both buffers since), is compared pixel for pixel, and only
// what still differs stays damaged. So the damage never grows beyond what was recently written.
//
// The chain keeps, as a ring as long as the chain, the writes and the damage of the frames its
// buffers hold. Frames before anything was recorded, and after Forget, are damaged everywhere.
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
    // The frames the ring keeps: as many as the chain has buffers.
    static constexpr int kChainBuffers = 2;

    // A flip has just made `shown` the front buffer. shownWrites: what was written into it since it
    // was last shown; otherWrites: what was written into the other buffer, `other`, since it was
    // shown (by the flip before). Returns the new frame's damage, valid until the next call.
    const host::Damage& Flip(const host::Damage& shownWrites, const host::Damage& otherWrites, BufferView shown,
                             BufferView other);

    // Nothing recorded can be trusted from here on (writes went unrecorded): the next frames are
    // damaged everywhere until the ring holds frames recorded whole again.
    void Forget();

private:
    struct Frame {
        bool known = false;
        host::Damage writes;  // what its buffer was written with since it was shown before
        host::Damage damage;  // where it differed from the frame before it
    };
    // Adds to damage_ the rows of `candidates` where shown and other differ, each run of rows as
    // one rectangle from its first to its last differing column.
    void AddDifferences(const host::Damage& candidates, BufferView shown, BufferView other);

    Frame ring_[kChainBuffers];
    std::uint64_t flips_ = 0;
    bool forgotten_ = true;  // the next flip's writes are not the whole story
    host::Damage damage_;
    host::Damage scratch_;
};

// How many of the chain's frames the ring keeps (the test build can keep one fewer).
int FlipDamageFramesKept();

}  // namespace platform::ddraw
