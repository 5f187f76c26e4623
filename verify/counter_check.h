// The frame-rate counter, judged without knowing the font: the text must read "<rate> <tiles>"
// with this run's tile count, sit at its place, and be drawn transparent in pure red. So each
// pixel of its box is the picture underneath, the text colour, or a blend of the two (a smoothed
// glyph edge); and the same text over the same picture gives the same pixels every time. What
// this cannot see is a wrong glyph that is drawn the same way every time. No Windows header here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "verify/pixels.h"

namespace verify {

constexpr int kCounterX = 300, kCounterY = 460;

// The counter as the program says it drew it, and its box as the device context measured it.
struct CounterDrawn {
    std::string text;
    int x = 0, y = 0;
    Rect box;  // on the screen
};

struct CounterFault {
    std::string what;             // e.g. "a pixel neither the picture underneath, the text colour nor a blend"
    std::uint64_t pixels = 0;     // pixels of the box found wrong (the whole box for a misplaced one)
    int x = 0, y = 0;             // the first of them
    Pixel got = 0, expected = 0;  // there: as drawn, and the picture underneath
};

class CounterCheck {
public:
    void Start(const ScreenFormat& format, int tileCount);
    // `got` is the frame as drawn, `underneath` the frame without the counter. True when the
    // counter is as it must be; otherwise false with the first fault.
    bool Judge(const CounterDrawn& counter, const ConstImage& got, const ConstImage& underneath, CounterFault& fault);

private:
    // One text as drawn once: its box, and the box's pixels with and without the text.
    struct Seen {
        std::string text;
        Rect box;
        std::vector<Pixel> got, underneath;
    };
    static constexpr std::size_t kTextsKept = 64;

    bool TextIsRight(const std::string& text) const;
    bool Allowed(Pixel got, Pixel underneath) const;
    Seen* Find(const std::string& text, const Rect& box);

    std::uint32_t masks_[3] = {};
    Pixel ink_ = 0;
    int tileCount_ = 0;
    std::vector<Seen> seen_;
};

}  // namespace verify
