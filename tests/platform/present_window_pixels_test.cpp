// Frames written into a window's own pixels for the shared-memory present path: every 16-bit
// value keeps its colour in each window layout, and scaled pictures show the nearest frame pixel
// and keep their shape.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/sdl/window_pixels.h"

namespace {

using platform::FrameView;
using platform::PixelFormat;
using platform::host::FrameWriter;
using platform::host::ImageMemory;
using platform::host::WindowPixelFormat;

const WindowPixelFormat k565{2, 0xF800, 0x07E0, 0x001F, 0};
const WindowPixelFormat k555{2, 0x7C00, 0x03E0, 0x001F, 0};
const WindowPixelFormat kRgb{4, 0xFF0000, 0x00FF00, 0x0000FF, 0};
const WindowPixelFormat kBgrOpaque{4, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000};

// The 8-bit value of one channel of a window pixel.
unsigned Channel(std::uint32_t pixel, std::uint32_t mask) {
    const unsigned value = (pixel & mask) >> __builtin_ctz(mask);
    return mask >> __builtin_ctz(mask) == 0xFF ? value : value << (8 - __builtin_popcount(mask));
}

// Writes an unscaled 256x256 frame holding every 16-bit value once, and returns the window pixels.
std::vector<std::uint32_t> WriteEveryValue(const WindowPixelFormat& format, PixelFormat frameFormat) {
    std::vector<std::uint16_t> frame(65536);
    for (unsigned v = 0; v < frame.size(); ++v) frame[v] = static_cast<std::uint16_t>(v);
    std::vector<std::uint32_t> image(65536);
    FrameWriter(format).Write(FrameView{frame.data(), 256, 256, 256, frameFormat},
                              ImageMemory{image.data(), 256, 256, 256 * format.bytesPerPixel});
    if (format.bytesPerPixel == 2) {
        const auto* narrow = reinterpret_cast<const std::uint16_t*>(image.data());
        return std::vector<std::uint32_t>(narrow, narrow + 65536);
    }
    return image;
}

TEST(WindowPixels, EveryFrameValueKeepsItsColourInEachWindowLayout) {
    for (const PixelFormat frameFormat : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const bool is565 = frameFormat == PixelFormat::Rgb565;
        for (const WindowPixelFormat& format : {k565, k555, kRgb, kBgrOpaque}) {
            const std::vector<std::uint32_t> image = WriteEveryValue(format, frameFormat);
            for (unsigned v = 0; v < 65536; ++v) {
                // The frame's channels at 8 bits, low bits empty.
                const unsigned r = is565 ? (v >> 8) & 0xF8 : (v >> 7) & 0xF8;
                const unsigned g = is565 ? (v >> 3) & 0xFC : (v >> 2) & 0xF8;
                const unsigned b = (v << 3) & 0xF8;
                const std::uint32_t p = image[v];
                // The window keeps every bit the narrower of the two layouts has.
                const unsigned greenBits = is565 && format.greenMask != 0x03E0 ? 0xFC : 0xF8;
                ASSERT_EQ(Channel(p, format.redMask) & 0xF8, r) << std::hex << v;
                ASSERT_EQ(Channel(p, format.greenMask) & greenBits, g & greenBits) << std::hex << v;
                ASSERT_EQ(Channel(p, format.blueMask) & 0xF8, b) << std::hex << v;
                ASSERT_EQ(p & format.fixedBits, format.fixedBits) << std::hex << v;
            }
            // Full intensity stays full in a 32-bit window.
            if (format.bytesPerPixel == 4) {
                const std::uint32_t white = image[is565 ? 0xFFFF : 0x7FFF];
                EXPECT_EQ(white & (format.redMask | format.greenMask | format.blueMask),
                          format.redMask | format.greenMask | format.blueMask);
            }
        }
    }
}

// Scales a 640x480 frame whose pixels hold their own column (or row) into width x height, and
// checks that each image pixel shows the frame pixel nearest to its centre.
void ExpectNearest(const WindowPixelFormat& format, int width, int height, bool columns) {
    std::vector<std::uint16_t> frame(640 * 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x)
            frame[static_cast<std::size_t>(y * 640 + x)] = static_cast<std::uint16_t>(columns ? x : y);
    }
    const int pitch = width * format.bytesPerPixel + 8;
    std::vector<unsigned char> image(static_cast<std::size_t>(pitch) * height);
    FrameWriter writer(format);
    writer.Write(FrameView{frame.data(), 640, 480, 640, PixelFormat::Rgb565},
                 ImageMemory{image.data(), width, height, pitch});
    const double ratio = columns ? 640.0 / width : 480.0 / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* at = image.data() + static_cast<std::size_t>(y) * pitch + x * format.bytesPerPixel;
            unsigned shown;
            if (format.bytesPerPixel == 2) {
                shown = *reinterpret_cast<const std::uint16_t*>(at);
            } else {
                const std::uint32_t p = *reinterpret_cast<const std::uint32_t*>(at);
                shown = (((p >> 19) & 0x1F) << 11) | (((p >> 10) & 0x3F) << 5) | ((p >> 3) & 0x1F);
            }
            const double centre = ((columns ? x : y) + 0.5) * ratio;
            ASSERT_LE(std::abs(shown + 0.5 - centre), 0.5 + 1e-9)
                << width << "x" << height << (columns ? " column " : " row ") << (columns ? x : y);
        }
    }
}

TEST(WindowPixels, ScaledPicturesShowTheNearestFramePixel) {
    for (const WindowPixelFormat& format : {kRgb, k565}) {
        for (const auto& size :
             {std::pair{1024, 768}, std::pair{1280, 960}, std::pair{1003, 701}, std::pair{320, 240}}) {
            ExpectNearest(format, size.first, size.second, true);
            ExpectNearest(format, size.first, size.second, false);
        }
    }
}

TEST(WindowPixels, PicturesKeepTheirShapeCentredWithBarsOnTheLongSides) {
    using platform::host::FitPicture;
    const struct {
        int windowWidth, windowHeight, x, y, width, height;
    } cases[] = {
        {640, 480, 0, 0, 640, 480},       {1024, 768, 0, 0, 1024, 768}, {1280, 1024, 0, 32, 1280, 960},
        {1920, 1080, 240, 0, 1440, 1080}, {800, 480, 80, 0, 640, 480},  {101, 1000, 0, 462, 101, 76},
    };
    for (const auto& c : cases) {
        const auto rect = FitPicture(640, 480, c.windowWidth, c.windowHeight);
        EXPECT_EQ(rect.x, c.x) << c.windowWidth << "x" << c.windowHeight;
        EXPECT_EQ(rect.y, c.y) << c.windowWidth << "x" << c.windowHeight;
        EXPECT_EQ(rect.width, c.width) << c.windowWidth << "x" << c.windowHeight;
        EXPECT_EQ(rect.height, c.height) << c.windowWidth << "x" << c.windowHeight;
    }
}

}  // namespace
