#include "present/png_writer.h"

#include <png.h>
#include <sys/stat.h>

#include "report/atomic_file.h"

namespace platform::present {
namespace {

// A path that exists but is no regular file (a directory, /dev/full) would be replaced by the
// rename, or cannot be: refused.
bool NotAFile(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return false;
    error = "not a regular file";
    return true;
}

// Writes all of data to path through a temporary file of its own (report/atomic_file.h): path
// holds the whole file, on the disk, or is left as it was.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error) {
    if (NotAFile(path, error)) return false;
    report::FileFailure failure;
    if (report::WriteFiles({{path, {reinterpret_cast<const char*>(data.data()), data.size()}}}, failure)) return true;
    error = failure.reason;
    return false;
}

}  // namespace

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
    return WriteRgbPng(path, rgb.data(), width, height, error);
}

bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height, std::string& error) {
    if (rgb == nullptr || width <= 0 || height <= 0) {
        error = "no picture to write";
        return false;
    }
    // libpng's simplified interface: no setjmp in our code, errors come back in the image. It
    // encodes into memory; the file is written here, so a failure comes with its errno. Encoding
    // for speed: --capture encodes every frame on the main thread, and these pictures come out
    // no larger for it.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;
    std::vector<std::uint8_t> encoded(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = encoded.size();
    if (png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb, width * 3, nullptr) == 0) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    encoded.resize(size);
    return WriteWholeFile(path, encoded, error);
}

bool CanWritePng(const std::string& path, std::string& error) {
    return !NotAFile(path, error) && report::CanCreateBeside(path, error);
}

}  // namespace platform::present
