// The screen check's own mapping of a frame to a window agrees with the presenters' writer in every bit of every window
// pixel, for each layout and size; fields widen by repeating their top bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/sdl/window_pixels.h"
#include "verify/rgb_image.h"
#include "verify/window_mapping.h"

namespace {

TEST(VerifyScreenTest, FieldsWidenAndNarrowByRepeatingTheirTopBits) {
    const struct {
        std::uint32_t pixel, mask;
        int bits;
        std::uint32_t expected;
    } rows[] = {
        {0xF800, 0xF800, 8, 0xFF}, {0x0800, 0xF800, 8, 0x08},         {0x8000, 0xF800, 8, 0x84},
        {0x07E0, 0x07E0, 8, 0xFF}, {0x0020, 0x07E0, 8, 0x04},         {0x0400, 0x07E0, 8, 0x82},
        {0x03E0, 0x03E0, 6, 0x3F}, {0x0200, 0x03E0, 6, 0x21},         {0x07C0, 0x07E0, 5, 0x1F},
        {0x0000, 0x001F, 8, 0x00}, {0x00AB0000, 0x00FF0000, 8, 0xAB}, {0x1234, 0, 8, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(verify::FieldTo(row.pixel, row.mask, row.bits), row.expected)
            << std::hex << row.pixel << " in " << row.mask << " to " << std::dec << row.bits << " bits";
}

TEST(VerifyScreenTest, TheCheckMapsAFrameToAWindowAsThePresentersWriteIt) {
    const struct {
        int bytesPerPixel;
        std::uint32_t red, green, blue, fixed;
    } layouts[] = {{2, 0xF800, 0x07E0, 0x001F, 0},       {2, 0x7C00, 0x03E0, 0x001F, 0},
                   {4, 0xFF0000, 0x00FF00, 0x0000FF, 0}, {4, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000u},
                   {4, 0x0000FF, 0x00FF00, 0xFF0000, 0}, {4, 0xFF000000u, 0x00FF00, 0x0000FF, 0}};
    const struct { int width, height; } windows[] = {{640, 480}, {1280, 1024}, {800, 500}, {333, 481}};
    for (const platform::PixelFormat from : {platform::PixelFormat::Rgb565, platform::PixelFormat::Rgb555}) {
        const bool is565 = from == platform::PixelFormat::Rgb565;
        std::vector<std::uint16_t> frame(640 * 480);
        for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint16_t>(i * 2654435761u >> 7);
        const verify::ScreenFormat format =
            is565 ? verify::ScreenFormat(0xF800, 0x07E0, 0x001F) : verify::ScreenFormat(0x7C00, 0x03E0, 0x001F);
        for (const auto& layout : layouts) {
            for (const auto& size : windows) {
                // The window as a presenter leaves it: black, with the written picture in its place.
                const int pitch = size.width * layout.bytesPerPixel;
                std::vector<std::uint8_t> window(static_cast<std::size_t>(pitch) * size.height, 0);
                const platform::host::PictureRect fit = platform::host::FitPicture(640, 480, size.width, size.height);
                std::uint8_t* const at =
                    window.data() + static_cast<std::size_t>(fit.y) * pitch + fit.x * layout.bytesPerPixel;
                platform::host::FrameWriter({layout.bytesPerPixel, layout.red, layout.green, layout.blue, layout.fixed})
                    .Write({frame.data(), 640, 480, 640, from}, {at, fit.width, fit.height, pitch});
                const diagnostics::WindowImage image{window.data(),        size.width, size.height,  pitch,
                                                     layout.bytesPerPixel, layout.red, layout.green, layout.blue};
                verify::WindowMapping mapping;
                mapping.Prepare(format, 640, 480, image);
                std::vector<std::uint32_t> expected(static_cast<std::size_t>(size.width));
                int differing = 0;
                for (int y = 0; y < size.height; ++y) {
                    mapping.ExpectedRow(
                        y, [&](int row) { return frame.data() + row * 640; }, expected.data());
                    for (int x = 0; x < size.width; ++x) {
                        std::uint32_t got = 0;
                        std::memcpy(&got,
                                    window.data() + static_cast<std::size_t>(y) * pitch + x * layout.bytesPerPixel,
                                    static_cast<std::size_t>(layout.bytesPerPixel));
                        differing += ((got ^ expected[x]) & mapping.ValueMask()) != 0;
                    }
                }
                EXPECT_EQ(differing, 0) << (is565 ? "5-6-5" : "5-5-5") << " into " << layout.bytesPerPixel
                                        << " bytes, red 0x" << std::hex << layout.red << std::dec << ", " << size.width
                                        << "x" << size.height;
            }
        }
    }
}

}  // namespace
