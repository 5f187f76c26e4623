// The 16-bit pixel layouts the software display offers.
#pragma once

#include <cstdint>

namespace platform {

enum class PixelFormat { Rgb565, Rgb555 };

struct PixelMasks {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

constexpr PixelMasks MasksOf(PixelFormat format) {
    return format == PixelFormat::Rgb565 ? PixelMasks{0xF800, 0x07E0, 0x001F} : PixelMasks{0x7C00, 0x03E0, 0x001F};
}

// Converts 8-bit components by keeping each one's highest bits, so pure green becomes the green mask.
constexpr std::uint16_t PackPixel(PixelFormat format, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return format == PixelFormat::Rgb565 ? static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
                                         : static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

}  // namespace platform
