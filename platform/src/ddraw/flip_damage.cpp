#include "ddraw/flip_damage.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {

const host::Damage& FlipDamage::Flip(const host::Damage& shownWrites, const host::Damage& otherWrites, BufferView shown,
                                     BufferView other) {
    constexpr std::uint64_t kRing = kChainBuffers - 1;
    const std::uint64_t frame = ++flips_;
    damage_.Clear();
    if (forgotten_) {
        damage_.Add(0, 0, shown.width, shown.height);
    } else {
        // Where either buffer was written since it last held a frame on screen, and where the
        // frames shown since this buffer last was differed from the ones before them.
        candidates_ = shownWrites;
        candidates_.Add(otherWrites);
        const auto kept = static_cast<std::uint64_t>(std::clamp(FlipDamageFramesKept(), 0, kChainBuffers - 1));
        for (std::uint64_t age = 1; age <= kept; ++age) {
            const Frame& before = ring_[(frame - age) % kRing];
            if (frame <= age || !before.known) {
                candidates_.Add(0, 0, shown.width, shown.height);
                break;
            }
            candidates_.Add(before.damage);
        }
        AddDifferences(candidates_, shown, other);
    }
    Frame& entry = ring_[frame % kRing];
    entry.known = true;
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
                while (first + 4 <= width && std::memcmp(a + first, b + first, 8) == 0) first += 4;
                while (a[first] == b[first]) ++first;
                int last = width - 1;
                while (last >= 4 && std::memcmp(a + last - 3, b + last - 3, 8) == 0) last -= 4;
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
