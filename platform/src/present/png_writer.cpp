#include "present/png_writer.h"

#include <png.h>

namespace platform::present {

void ToRgb8(PixelFormat format, std::uint16_t pixel, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
    const auto widen5 = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
    const auto widen6 = [](unsigned c) { return static_cast<std::uint8_t>((c << 2) | (c >> 4)); };
    if (format == PixelFormat::Rgb565) {
        r = widen5((pixel >> 11) & 0x1Fu);
        g = widen6((pixel >> 5) & 0x3Fu);
    } else {
        r = widen5((pixel >> 10) & 0x1Fu);
        g = widen5((pixel >> 5) & 0x1Fu);
    }
    b = widen5(pixel & 0x1Fu);
}

bool WritePng(const std::string& path, const std::uint16_t* pixels, int width, int height, int pitchPixels,
              PixelFormat format, std::string& error) {
    if (pixels == nullptr || width <= 0 || height <= 0 || pitchPixels < width) {
        error = "no picture to write";
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitchPixels;
        for (int x = 0; x < width; ++x, at += 3) ToRgb8(format, row[x], rgb[at], rgb[at + 1], rgb[at + 2]);
    }
    // libpng's simplified interface: no setjmp in our code, errors come back in the image.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr) == 0) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

}  // namespace platform::present
