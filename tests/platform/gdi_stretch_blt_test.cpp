// StretchBlt from a DIB section into a 16-bit surface DC: colour conversion for both pixel
// layouts, nearest-neighbour scaling, mirroring, clipping and refusal of bad handles.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"
#include "gdi/gdi_control.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"
#include "wingdi.h"

namespace {

using platform::PixelFormat;

constexpr std::uint16_t kUntouched = 0xA5A5;

// A surface buffer with a DC on it, and a memory DC holding a bitmap made from a test DIB.
struct Blit {
    Blit(const dib_test::TestDib& dib, int width, int height, PixelFormat format = PixelFormat::Rgb565)
        : surfaceWidth(width), pixels(static_cast<std::size_t>(width * height), kUntouched) {
        surface = platform::gdi::CreateSurfaceDC(pixels.data(), width, height, width, format);
        const std::vector<unsigned char> packed = dib.Packed();
        bitmap = platform::gdi::CreateDibSection(
            std::move(*platform::gdi::DecodePackedDib(packed.data(), packed.size()).dib));
        memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, bitmap);
    }
    ~Blit() {
        DeleteDC(memory);
        DeleteObject(bitmap);
        platform::gdi::DestroySurfaceDC(surface);
    }
    BOOL Copy(int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
        return StretchBlt(surface, x, y, w, h, memory, sx, sy, sw, sh, SRCCOPY);
    }
    std::uint16_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * surfaceWidth + x)]; }

    int surfaceWidth;
    std::vector<std::uint16_t> pixels;
    HDC surface = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
};

// Palette: 0 pure green (the sheets' transparent colour), 1 red, 2 mid-grey, 3 blue-ish.
const std::vector<RGBQUAD> kSheetColors = {RGBQUAD{0, 255, 0, 0}, RGBQUAD{0, 0, 255, 0}, RGBQUAD{0x80, 0x80, 0x80, 0},
                                           RGBQUAD{0xFF, 0x37, 0x09, 0}};
// The same colours in 5-6-5.
constexpr std::uint16_t kSheet565[4] = {0x07E0, 0xF800, 0x8410, (0x09 >> 3) << 11 | (0x37 >> 2) << 5 | 0x1F};

TEST(GdiStretchBlt, ConvertsEightAndTwentyFourBitsIntoBothLayouts) {
    // The last colour is r=0x09 g=0x37 b=0xFF, each component truncated to its field's width.
    const std::uint16_t rgb555[4] = {0x03E0, 0x7C00, 0x4210, (0x09 >> 3) << 10 | (0x37 >> 3) << 5 | 0x1F};
    for (const PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const std::uint16_t* expected = format == PixelFormat::Rgb565 ? kSheet565 : rgb555;
        for (const int bits : {8, 24}) {
            dib_test::TestDib dib = dib_test::Filled(4, 1, bits, 0, bits == 8 ? kSheetColors : std::vector<RGBQUAD>{});
            const std::uint32_t direct[4] = {0x00FF00, 0xFF0000, 0x808080, 0x0937FF};
            for (int x = 0; x < 4; ++x) dib.At(x, 0) = bits == 8 ? static_cast<std::uint32_t>(x) : direct[x];
            // Same size, then doubled in both directions.
            Blit same(dib, 4, 1, format), doubled(dib, 8, 2, format);
            ASSERT_TRUE(same.Copy(0, 0, 4, 1, 0, 0, 4, 1));
            ASSERT_TRUE(doubled.Copy(0, 0, 8, 2, 0, 0, 4, 1));
            for (int x = 0; x < 8; ++x) {
                if (x < 4) {
                    EXPECT_EQ(same.At(x, 0), expected[x]) << bits << " bits at " << x;
                }
                EXPECT_EQ(doubled.At(x, 0), expected[x / 2]) << bits << " bits at " << x;
                EXPECT_EQ(doubled.At(x, 1), expected[x / 2]) << bits << " bits at " << x;
            }
        }
    }
}

TEST(GdiStretchBlt, ScalesWithNearestNeighbourAndKeepsRowOrder) {
    // Columns 0..3 hold colours 0..3 on the top row, colour 1 below.
    dib_test::TestDib dib = dib_test::Filled(4, 2, 8, 1, kSheetColors);
    for (int x = 0; x < 4; ++x) dib.At(x, 0) = static_cast<std::uint32_t>(x);
    Blit tall(dib, 1, 4);
    ASSERT_TRUE(tall.Copy(0, 0, 1, 4, 0, 0, 1, 2));  // bottom-up rows arrive top first
    for (int y = 0; y < 4; ++y) EXPECT_EQ(tall.At(0, y), y < 2 ? kSheet565[0] : kSheet565[1]) << y;
    Blit halved(dib, 2, 1);
    ASSERT_TRUE(halved.Copy(0, 0, 2, 1, 0, 0, 4, 1));
    // Destination pixel i samples source column floor((i + 0.5) * 2).
    EXPECT_EQ(halved.At(0, 0), kSheet565[1]);
    EXPECT_EQ(halved.At(1, 0), kSheet565[3]);
    Blit mirrored(dib, 4, 1);
    ASSERT_TRUE(mirrored.Copy(4, 0, -4, 1, 0, 0, 4, 1));  // a negative destination width mirrors
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mirrored.At(x, 0), kSheet565[3 - x]);
}

TEST(GdiStretchBlt, ClipsToTheSurfaceAndTheBitmap) {
    const dib_test::TestDib dib = dib_test::Filled(4, 4, 8, 1, kSheetColors);
    const struct {
        const char* what;
        int x, y, sx, sy;
        int minX, maxX, minY;  // the red rectangle expected: [minX, maxX) x [minY, 4)
    } cases[] = {
        {"hangs off the right and bottom", 2, 2, 0, 0, 2, 4, 2},
        {"source past the bitmap", 0, 0, 2, -2, 0, 2, 2},
        {"far off the surface", -100000, 2000000000, 0, 0, 0, 0, 4},
    };
    for (const auto& c : cases) {
        Blit blit(dib, 4, 4);
        ASSERT_TRUE(blit.Copy(c.x, c.y, 4, 4, c.sx, c.sy, 4, 4)) << c.what;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const bool inside = x >= c.minX && x < c.maxX && y >= c.minY;
                EXPECT_EQ(blit.At(x, y), inside ? 0xF800 : kUntouched) << c.what << " at " << x << "," << y;
            }
        }
    }
}

TEST(GdiStretchBlt, RefusesBadHandlesAndRequestsWithoutTouchingPixels) {
    Blit blit(dib_test::Filled(2, 2, 8, 1, kSheetColors), 2, 2);
    HDC bogus = reinterpret_cast<HDC>(&blit);  // an address that is not a DC
    HDC deleted = CreateCompatibleDC(nullptr);
    DeleteDC(deleted);  // a deleted DC is as unknown as a made-up one
    const struct {
        HDC dest, src;
        int w;
        DWORD rop;
    } cases[] = {
        {nullptr, blit.memory, 2, SRCCOPY},      {blit.surface, nullptr, 2, SRCCOPY},
        {bogus, blit.memory, 2, SRCCOPY},        {blit.surface, bogus, 2, SRCCOPY},
        {blit.memory, blit.memory, 2, SRCCOPY},  {blit.surface, blit.surface, 2, SRCCOPY},
        {blit.surface, blit.memory, 0, SRCCOPY}, {blit.surface, blit.memory, 2, 0x00EE0086},
        {blit.surface, deleted, 2, SRCCOPY},
    };
    for (const auto& c : cases) EXPECT_FALSE(StretchBlt(c.dest, 0, 0, c.w, 2, c.src, 0, 0, 2, 2, c.rop)) << &c - cases;
    for (const std::uint16_t pixel : blit.pixels) EXPECT_EQ(pixel, kUntouched);
}

}  // namespace
