// Pictures for people: any of the check's images (16-bit frames, a window's 16- or 32-bit pixels)
// turned into 8-bit red, green and blue, each field widened by repeating its top bits, as a
// viewer shows it. No Windows header here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace verify {

struct PixelLayout {
    int bytesPerPixel = 2;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
};

// One field of a pixel, widened (or narrowed) from its mask's width to `bits` bits by repeating
// its top bits below it.
std::uint32_t FieldTo(std::uint32_t pixel, std::uint32_t mask, int bits);

// width x height pixels, rows pitchBytes apart, as 3 bytes a pixel, rows width * 3 apart.
std::vector<std::uint8_t> ToRgb(const void* pixels, int width, int height, std::ptrdiff_t pitchBytes,
                                const PixelLayout& layout);

// An 8x crop around (x, y) of three same-sized RGB images side by side (got, expected and the
// differences), each 16x16 pixels of the image shown as 128x128, with a white gap between.
std::vector<std::uint8_t> CropSideBySide(const std::vector<std::uint8_t>* images[3], int width, int height, int x,
                                         int y, int& cropWidth, int& cropHeight);

}  // namespace verify
