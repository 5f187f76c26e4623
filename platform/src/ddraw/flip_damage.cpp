#include "ddraw/flip_damage.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {

const host::Damage& FlipDamage::Flip(const host::Damage& shownWrites, const host::Damage& otherWrites, BufferView shown,
                                     BufferView other) {
    const auto kept = static_cast<std::uint64_t>(std::clamp(FlipDamageFramesKept(), 1, kChainBuffers));
    const std::uint64_t frame = ++flips_;
    damage_ = shownWrites;
    damage_.Add(otherWrites);
    // The frames shown since this buffer last was: what their buffer had been written with.
    bool known = !forgotten_;
    for (std::uint64_t age = 1; age < kept && known; ++age) {
        const Frame& between = ring_[(frame - age) % kept];
        known = frame > age && between.known;
        if (known) damage_.Add(between.writes);
    }
    if (known) {
        // Outside all that, the two buffers still hold the frames before, which differed at most
        // where the older of them was damaged.
        const Frame& older = ring_[(frame - kept) % kept];
        scratch_.Clear();
        if (frame > kept && older.known) {
            scratch_ = older.damage;
        } else {
            scratch_.Add(0, 0, shown.width, shown.height);
        }
        scratch_.Subtract(damage_);
        AddDifferences(scratch_, shown, other);
    } else {
        damage_.Add(0, 0, shown.width, shown.height);
    }
    Frame& entry = ring_[frame % kept];
    entry.known = true;
    entry.writes.Clear();
    if (forgotten_) {
        entry.writes.Add(0, 0, shown.width, shown.height);
    } else {
        entry.writes = shownWrites;
    }
    entry.damage = damage_;
    forgotten_ = false;
    return damage_;
}

void FlipDamage::Forget() {
    forgotten_ = true;
    for (Frame& frame : ring_) frame.known = false;
}

void FlipDamage::AddDifferences(const host::Damage& candidates, BufferView shown, BufferView other) {
    for (const pixman_box32_t& box : candidates.Boxes()) {
        const int width = box.x2 - box.x1;
        const auto bytes = static_cast<std::size_t>(width) * sizeof(std::uint16_t);
        int runTop = -1;
        int left = 0;
        int right = 0;
        for (int y = box.y1; y <= box.y2; ++y) {
            const std::ptrdiff_t row = std::min(y, box.y2 - 1);
            const std::uint16_t* a = shown.pixels + row * shown.pitchPixels + box.x1;
            const std::uint16_t* b = other.pixels + row * other.pitchPixels + box.x1;
            if (y < box.y2 && std::memcmp(a, b, bytes) != 0) {
                int first = 0;
                while (a[first] == b[first]) ++first;
                int last = width - 1;
                while (a[last] == b[last]) --last;
                left = runTop < 0 ? first : std::min(left, first);
                right = runTop < 0 ? last + 1 : std::max(right, last + 1);
                if (runTop < 0) runTop = y;
                continue;
            }
            if (runTop >= 0) damage_.Add(box.x1 + left, runTop, box.x1 + right, y);
            runTop = -1;
        }
    }
}

}  // namespace platform::ddraw
