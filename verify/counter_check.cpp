#include "verify/counter_check.h"

#include <algorithm>
#include <cstdlib>

#include "verify/mask_field.h"

namespace verify {

void CounterCheck::Start(const ScreenFormat& format, int tileCount) {
    masks_[0] = format.RedMask();
    masks_[1] = format.GreenMask();
    masks_[2] = format.BlueMask();
    ink_ = format.FromRgb(255, 0, 0);
    tileCount_ = tileCount;
    seen_.clear();
}

// "<rate> <tiles>": two decimal numbers and one blank, the second this run's tile count.
bool CounterCheck::TextIsRight(const std::string& text) const {
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos || blank == 0 || blank + 1 == text.size()) return false;
    const auto digits = [](const std::string& part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::string rate = text.substr(0, blank), tiles = text.substr(blank + 1);
    return digits(rate) && digits(tiles) && tiles.size() <= 3 && std::atoi(tiles.c_str()) == tileCount_;
}

// Each colour field lies between the picture's and the ink's.
bool CounterCheck::Allowed(Pixel got, Pixel underneath) const {
    if (got == underneath || got == ink_) return true;
    for (const std::uint32_t mask : masks_) {
        const std::uint32_t g = FieldValue(got, mask), u = FieldValue(underneath, mask), i = FieldValue(ink_, mask);
        if (g < std::min(u, i) || g > std::max(u, i)) return false;
    }
    return true;
}

CounterCheck::Seen* CounterCheck::Find(const std::string& text, const Rect& box) {
    for (Seen& seen : seen_) {
        if (seen.text == text && seen.box.left == box.left && seen.box.top == box.top && seen.box.right == box.right &&
            seen.box.bottom == box.bottom) {
            return &seen;
        }
    }
    return nullptr;
}

bool CounterCheck::Judge(const CounterDrawn& counter, const ConstImage& got, const ConstImage& underneath,
                         CounterFault& fault) {
    const Rect& box = counter.box;
    const std::uint64_t area = static_cast<std::uint64_t>(std::max(box.Width(), 0)) * std::max(box.Height(), 0);
    const auto whole = [&](const char* what) {
        fault = CounterFault{what, area, box.left, box.top, 0, 0};
        if (area > 0) {
            fault.got = got.At(box.left, box.top);
            fault.expected = underneath.At(box.left, box.top);
        }
        return false;
    };
    if (counter.x != kCounterX || counter.y != kCounterY) return whole("the counter is not at (300,460)");
    if (!TextIsRight(counter.text)) return whole("the counter's text is not the frame rate and the tile count");
    if (area == 0) return whole("the counter's box is empty");

    Seen* before = Find(counter.text, box);
    fault = CounterFault{};
    std::size_t i = 0, marked = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x, ++i) {
            const Pixel g = got.At(x, y), u = underneath.At(x, y);
            marked += g != u;
            const bool drawnAlike = before == nullptr || before->underneath[i] != u || before->got[i] == g;
            if (Allowed(g, u) && drawnAlike) continue;
            if (fault.pixels++ == 0) {
                fault.what = drawnAlike ? "a pixel neither the picture underneath, red nor a blend of the two"
                                        : "the same text drawn differently over the same picture";
                fault.x = x;
                fault.y = y;
                fault.got = g;
                fault.expected = u;
            }
        }
    }
    if (marked == 0) return whole("no text in the counter's box");
    if (before == nullptr && fault.pixels == 0 && seen_.size() < kTextsKept) {
        Seen seen{counter.text, box, {}, {}};
        for (int y = box.top; y < box.bottom; ++y) {
            seen.got.insert(seen.got.end(), got.Row(y) + box.left, got.Row(y) + box.right);
            seen.underneath.insert(seen.underneath.end(), underneath.Row(y) + box.left, underneath.Row(y) + box.right);
        }
        seen_.push_back(std::move(seen));
    }
    return fault.pixels == 0;
}

}  // namespace verify
