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
    explicit DamageRing(int length);

    // Frame `number` (each one after the last) and its damage, in a width x height frame; a null
    // damage is everywhere. A frame of another size than the last forgets every frame before it.
    void Push(std::uint64_t number, const Damage* damage, int width, int height);

    // Sets out to where frame `number` may differ from frame `held` (0: unknown): the union of the
    // damage of the frames after it, or the whole frame when they are not all in the ring.
    void Since(std::uint64_t held, std::uint64_t number, Damage& out) const;

private:
    struct Entry {
        std::uint64_t number = 0;
        Damage damage;
    };
    std::vector<Entry> entries_;
    std::uint64_t firstOfSize_ = 0;  // the first frame of the current size
    int width_ = 0;
    int height_ = 0;
};

}  // namespace platform::host
