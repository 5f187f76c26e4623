#include "host/sdl/damage_ring.h"

#include "host/sdl/presenter_seam.h"

namespace platform::host {

DamageRing::DamageRing(int pool)
    : entries_(static_cast<std::size_t>(DamageRingLength(pool))), pool_(static_cast<std::uint64_t>(pool)) {}

void DamageRing::Push(std::uint64_t number, const Damage* damage, int width, int height) {
    if (width != width_ || height != height_ || number != last_ + 1) {
        firstOfSize_ = number;
        width_ = width;
        height_ = height;
    }
    last_ = number;
    Damage& entry = entries_[number % entries_.size()];
    entry.Clear();
    if (damage != nullptr) {
        entry = *damage;
        entry.Clip(width, height);
    } else {
        entry.Add(0, 0, width, height);
    }
}

void DamageRing::Since(std::uint64_t held, std::uint64_t number, Damage& out) const {
    out.Clear();
    if (held != 0 && held < number && number == last_ && number - held <= pool_ && held >= firstOfSize_) {
        for (std::uint64_t frame = held + 1; frame <= number; ++frame) out.Add(entries_[frame % entries_.size()]);
    } else if (held != number) {
        out.Add(0, 0, width_, height_);
    }
}

}  // namespace platform::host
