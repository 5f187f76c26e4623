#include "verify/rgb_image.h"

#include <algorithm>
#include <cstring>

#include "verify/mask_field.h"

namespace verify {
namespace {

constexpr int kCropSide = 16, kZoom = 8, kGap = 4;

}  // namespace

std::uint32_t FieldTo(std::uint32_t pixel, std::uint32_t mask, int bits) {
    const int width = FieldOfMask(mask).bits;
    if (width == 0) return 0;
    const std::uint32_t value = FieldValue(pixel, mask);
    if (width >= bits) return value >> (width - bits);
    // Repeat the value's bits below it until the field is full.
    std::uint32_t wide = 0;
    int filled = 0;
    while (filled < bits) {
        const int shift = bits - filled - width;
        wide |= shift >= 0 ? value << shift : value >> -shift;
        filled += width;
    }
    return wide & ((1u << bits) - 1);
}

std::vector<std::uint8_t> ToRgb(const void* pixels, int width, int height, std::ptrdiff_t pitchBytes,
                                const PixelLayout& layout) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes + y * pitchBytes;
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            if (layout.bytesPerPixel == 2) {
                std::uint16_t p;
                std::memcpy(&p, row + 2 * x, 2);
                pixel = p;
            } else {
                std::memcpy(&pixel, row + 4 * x, 4);
            }
            rgb[at++] = static_cast<std::uint8_t>(FieldTo(pixel, layout.redMask, 8));
            rgb[at++] = static_cast<std::uint8_t>(FieldTo(pixel, layout.greenMask, 8));
            rgb[at++] = static_cast<std::uint8_t>(FieldTo(pixel, layout.blueMask, 8));
        }
    }
    return rgb;
}

std::vector<std::uint8_t> CropSideBySide(const std::vector<std::uint8_t>* images[3], int width, int height, int x,
                                         int y, int& cropWidth, int& cropHeight) {
    const int panel = kCropSide * kZoom;
    cropWidth = 3 * panel + 2 * kGap;
    cropHeight = panel;
    std::vector<std::uint8_t> crop(static_cast<std::size_t>(cropWidth) * cropHeight * 3, 0xFF);
    // The 16x16 square with (x, y) in its middle, moved inside the image.
    const int left = std::clamp(x - kCropSide / 2, 0, std::max(width - kCropSide, 0));
    const int top = std::clamp(y - kCropSide / 2, 0, std::max(height - kCropSide, 0));
    for (int i = 0; i < 3; ++i) {
        const int panelLeft = i * (panel + kGap);
        for (int cy = 0; cy < panel; ++cy) {
            const int sy = top + cy / kZoom;
            for (int cx = 0; cx < panel; ++cx) {
                const int sx = left + cx / kZoom;
                if (sx >= width || sy >= height) continue;
                const std::uint8_t* from = images[i]->data() + (static_cast<std::size_t>(sy) * width + sx) * 3;
                std::memcpy(crop.data() + (static_cast<std::size_t>(cy) * cropWidth + panelLeft + cx) * 3, from, 3);
            }
        }
    }
    return crop;
}

}  // namespace verify
