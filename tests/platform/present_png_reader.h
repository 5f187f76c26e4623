// Reads a PNG back as 8-bit RGB, to check what the presenter and the runtime wrote.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace present_test {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3
    bool ok = false;

    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

inline RgbImage ReadPng(const std::string& path) {
    RgbImage out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return out;
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width), out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    out.ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return out;
}

}  // namespace present_test
