// Analysis of one 16-bit colour mask into its position and width.
#pragma once

#include <cstdint>

struct ColorField {
    std::uint16_t mask;  // the mask's low 16 bits
    std::int32_t shift;  // lowest set bit, 0..16 (16 for an empty mask)
    std::int32_t bits;   // 4, 5 or 6
    std::int32_t loss;   // 8 - bits
};

constexpr ColorField AnalyseColorMask(std::uint32_t fullMask) {
    ColorField field{};
    field.mask = static_cast<std::uint16_t>(fullMask & 0xFFFF);
    std::uint32_t value = field.mask;
    std::int32_t shift = 0;
    while ((value & 1) == 0 && shift < 16) {
        value >>= 1;
        ++shift;
    }
    field.shift = shift;
    // Only 4- and 5-bit fields are recognised; every other shape is treated as 6 bits wide.
    field.bits = value == 15 ? 4 : value == 31 ? 5 : 6;
    field.loss = 8 - field.bits;
    return field;
}
