// Text shared by the three report files: escaping for JSON, XML and HTML, numbers written the same
// way whatever the locale, and the names of verdict states.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "diagnostics/verdict.h"

namespace report {

// The text as valid UTF-8 without control characters other than tab, newline and carriage return
// (which XML cannot carry): each invalid byte becomes U+FFFD.
std::string CleanText(std::string_view text);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);
// Text for XML or HTML, in an element or a quoted attribute alike.
std::string Escaped(std::string_view text);

// `value` with `decimals` digits after the point ("12.345"); "null" when not finite.
std::string Fixed(double value, int decimals);
// e.g. "0x07E0": as many hex digits as the pixel has bytes, times two.
std::string PixelHex(std::uint32_t value, int bytesPerPixel);

// "exact", "not-covered", ... as machines read them; and the same in words for people.
const char* StateId(diagnostics::ItemState state);
const char* StateWords(diagnostics::ItemState state);
const char* OutcomeId(diagnostics::Outcome outcome);
const char* OutcomeWords(diagnostics::Outcome outcome);

// One colour field of a pixel, in the surface's own bits: e.g. red 31 of 31 in a 5-6-5 pixel.
struct Channel {
    std::uint32_t value = 0, max = 0;
    int bits = 0;
};
Channel DecodeChannel(std::uint32_t pixel, std::uint32_t mask);

}  // namespace report
