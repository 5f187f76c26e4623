#include "host/sdl/damage_ring.h"

namespace platform::host {

DamageRing::DamageRing(int length) : entries_(static_cast<std::size_t>(length)) {}

void DamageRing::Push(std::uint64_t number, const Damage* damage, int width, int height) {
    if (width != width_ || height != height_) {
        firstOfSize_ = number;
        width_ = width;
        height_ = height;
    }
    Entry& entry = entries_[number % entries_.size()];
    entry.number = number;
    entry.damage.Clear();
    if (damage != nullptr) {
        entry.damage = *damage;
        entry.damage.Clip(width, height);
    } else {
        entry.damage.Add(0, 0, width, height);
    }
}

void DamageRing::Since(std::uint64_t held, std::uint64_t number, Damage& out) const {
    out.Clear();
    const bool inRing = held != 0 && held < number && number - held <= entries_.size() && held >= firstOfSize_;
    for (std::uint64_t frame = held + 1; inRing && frame <= number; ++frame) {
        const Entry& entry = entries_[frame % entries_.size()];
        if (entry.number != frame) break;
        out.Add(entry.damage);
        if (frame == number) return;
    }
    if (held == number && held != 0) return;  // it holds this very frame: nothing to write
    out.Clear();
    out.Add(0, 0, width_, height_);
}

}  // namespace platform::host
