// Row loops that turn 16-bit frame pixels into a window's pixels. Each is built for the baseline
// processor and for AVX2, and the AVX2 build is taken where the processor has it.
#pragma once

#include <cstdint>

namespace platform::host::rows {

bool CpuHasAvx2();
// Tests take the baseline loops even where the processor has AVX2, to check both builds.
void UseBaselineRows(bool baseline);

// One channel of a 16-bit pixel, where it sits and how wide it is, and where its value widened
// to 8 bits goes in a 32-bit pixel.
struct Channel {
    unsigned sourceShift;
    unsigned sourceBits;
    unsigned destShift;
};

struct Widening {
    Channel red, green, blue;
    std::uint32_t fixedBits;  // set in every pixel
};

// Each channel is widened by repeating its top bits below it: full intensity stays full, and
// the top bits, all a 16-bit screen has, are kept exactly.
void Widen(const std::uint16_t* source, std::uint32_t* dest, int count, const Widening& widening);

// The same for the usual layout, red, green and blue bytes from high to low, in half the work.
void WidenToRgb(const std::uint16_t* source, std::uint32_t* dest, int count, bool from565, std::uint32_t fixedBits);

// 5-5-5 to 5-6-5 (to565) or back.
void Reformat16(const std::uint16_t* source, std::uint16_t* dest, int count, bool to565);

}  // namespace platform::host::rows
