// The damage of the last frames a presenter was handed, as a ring as long as its pool of images:
// an image (or a window) that holds frame N-k is brought to frame N by rewriting the union of the
// damage of frames N-k+1 to N, as EGL's buffer age has a client do. An image of unknown age (new,
// or made anew after a resize) or older than the ring gets the whole frame.
#pragma once

#include <cstdint>
#include <vector>

#include "host/damage.h"

namespace platform::host {

class DamageRing {
public:
    // A ring for images that hold frames at most `pool` frames old.
    explicit DamageRing(int pool);

    // Frame `number` (each one after the last, none left out) and its damage, in a width x height
    // frame; a null damage is everywhere. A frame of another size than the last forgets every
    // frame before it.
    void Push(std::uint64_t number, const Damage* damage, int width, int height);

    // Sets out to where frame `number` may differ from frame `held` (0: unknown): the union of the
    // damage of the frames after it, or the whole frame when they are not all in the ring.
    void Since(std::uint64_t held, std::uint64_t number, Damage& out) const;

private:
    std::vector<Damage> entries_;  // frame n's at n % size
    std::uint64_t pool_;
    std::uint64_t last_ = 0;  // the frame pushed last
    std::uint64_t firstOfSize_ = 0;  // the first frame of the current size
    int width_ = 0;
    int height_ = 0;
};

}  // namespace platform::host
