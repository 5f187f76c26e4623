// Where a colour field sits in a pixel, from its mask: the one reading of masks that every part
// of the check uses. No Windows header here.
#pragma once

#include <bit>
#include <cstdint>

namespace verify {

struct MaskField {
    int shift = 0;  // the field's lowest bit
    int bits = 0;   // its width: the run of ones from there
};

constexpr MaskField FieldOfMask(std::uint32_t mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    return {shift, std::countr_one(mask >> shift)};
}

// The field's value, unshifted: 0..(1 << bits) - 1.
constexpr std::uint32_t FieldValue(std::uint32_t pixel, std::uint32_t mask) {
    return (pixel & mask) >> FieldOfMask(mask).shift;
}

}  // namespace verify
