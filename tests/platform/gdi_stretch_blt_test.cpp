// StretchBlt from a DIB section into a 16-bit surface DC: colour conversion for both pixel
// layouts, nearest-neighbour scaling, mirroring, clipping and refusal of bad handles.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"
#include "platform/gdi_control.h"
#include "wingdi.h"

namespace {

using platform::PixelFormat;

constexpr std::uint16_t kUntouched = 0xA5A5;

// A surface buffer with a DC on it, and a memory DC holding a bitmap made from a test DIB.
struct Blit {
    Blit(const dib_test::TestDib& dib, int width, int height, PixelFormat format)
        : surfaceWidth(width), pixels(static_cast<std::size_t>(width * height), kUntouched) {
        surface = platform::gdi::CreateSurfaceDC(pixels.data(), width, height, width, format);
        const std::vector<unsigned char> packed = dib.Packed();
        platform::gdi::DibDecodeResult decoded = platform::gdi::DecodePackedDib(packed.data(), packed.size());
        bitmap = platform::gdi::CreateDibSection(std::move(*decoded.dib));
        memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, bitmap);
    }
    ~Blit() {
        DeleteDC(memory);
        DeleteObject(bitmap);
        platform::gdi::DestroySurfaceDC(surface);
    }
    std::uint16_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * surfaceWidth + x)]; }

    int surfaceWidth;
    std::vector<std::uint16_t> pixels;
    HDC surface = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
};

// Palette: 0 pure green (the sheets' transparent colour), 1 red, 2 mid-grey, 3 blue-ish.
std::vector<RGBQUAD> SheetColors() {
    return {RGBQUAD{0, 255, 0, 0}, RGBQUAD{0, 0, 255, 0}, RGBQUAD{0x80, 0x80, 0x80, 0}, RGBQUAD{0xFF, 0x37, 0x09, 0}};
}

TEST(GdiStretchBlt, ConvertsEightAndTwentyFourBitsIntoBothLayouts) {
    struct Case {
        PixelFormat format;
        std::uint16_t green, red, grey, mixed;
    };
    // mixed is r=0x09 g=0x37 b=0xFF, each component truncated to its field's width.
    const Case cases[] = {
        {PixelFormat::Rgb565, 0x07E0, 0xF800, 0x8410, (0x09 >> 3) << 11 | (0x37 >> 2) << 5 | 0x1F},
        {PixelFormat::Rgb555, 0x03E0, 0x7C00, 0x4210, (0x09 >> 3) << 10 | (0x37 >> 3) << 5 | 0x1F},
    };
    for (const Case& c : cases) {
        for (const int bits : {8, 24}) {
            dib_test::TestDib dib = dib_test::Filled(4, 1, bits, 0, bits == 8 ? SheetColors() : std::vector<RGBQUAD>{});
            const std::uint32_t direct[4] = {0x00FF00, 0xFF0000, 0x808080, 0x0937FF};
            for (int x = 0; x < 4; ++x) dib.At(x, 0) = bits == 8 ? static_cast<std::uint32_t>(x) : direct[x];
            Blit blit(dib, 4, 1, c.format);
            ASSERT_TRUE(StretchBlt(blit.surface, 0, 0, 4, 1, blit.memory, 0, 0, 4, 1, SRCCOPY));
            EXPECT_EQ(blit.At(0, 0), c.green) << bits;
            EXPECT_EQ(blit.At(1, 0), c.red) << bits;
            EXPECT_EQ(blit.At(2, 0), c.grey) << bits;
            EXPECT_EQ(blit.At(3, 0), c.mixed) << bits;
        }
    }
}

TEST(GdiStretchBlt, BottomUpRowsArriveTopFirst) {
    dib_test::TestDib dib = dib_test::Filled(1, 3, 8, 2, SheetColors());
    dib.At(0, 0) = 1;  // top row red, bottom row green
    dib.At(0, 2) = 0;
    Blit blit(dib, 1, 3, PixelFormat::Rgb565);
    ASSERT_TRUE(StretchBlt(blit.surface, 0, 0, 1, 3, blit.memory, 0, 0, 1, 3, SRCCOPY));
    EXPECT_EQ(blit.At(0, 0), 0xF800);
    EXPECT_EQ(blit.At(0, 1), 0x8410);
    EXPECT_EQ(blit.At(0, 2), 0x07E0);
}

TEST(GdiStretchBlt, ScalesWithNearestNeighbour) {
    // Columns 0..3 hold colours 0..3; doubling repeats each, halving keeps every other.
    dib_test::TestDib dib = dib_test::Filled(4, 2, 8, 0, SheetColors());
    for (int x = 0; x < 4; ++x) dib.At(x, 0) = dib.At(x, 1) = static_cast<std::uint32_t>(x);
    std::uint16_t lookup[4];
    for (int i = 0; i < 4; ++i) {
        const RGBQUAD c = SheetColors()[static_cast<std::size_t>(i)];
        lookup[i] = platform::PackPixel(PixelFormat::Rgb565, c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    {
        Blit blit(dib, 8, 4, PixelFormat::Rgb565);
        ASSERT_TRUE(StretchBlt(blit.surface, 0, 0, 8, 4, blit.memory, 0, 0, 4, 2, SRCCOPY));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) EXPECT_EQ(blit.At(x, y), lookup[x / 2]) << x << "," << y;
        }
    }
    {
        Blit blit(dib, 2, 1, PixelFormat::Rgb565);
        ASSERT_TRUE(StretchBlt(blit.surface, 0, 0, 2, 1, blit.memory, 0, 0, 4, 2, SRCCOPY));
        // Destination pixel i samples source column floor((i + 0.5) * 2).
        EXPECT_EQ(blit.At(0, 0), lookup[1]);
        EXPECT_EQ(blit.At(1, 0), lookup[3]);
    }
    {
        // A negative destination width mirrors.
        Blit blit(dib, 4, 1, PixelFormat::Rgb565);
        ASSERT_TRUE(StretchBlt(blit.surface, 4, 0, -4, 1, blit.memory, 0, 0, 4, 1, SRCCOPY));
        for (int x = 0; x < 4; ++x) EXPECT_EQ(blit.At(x, 0), lookup[3 - x]);
    }
}

TEST(GdiStretchBlt, ClipsToTheSurfaceAndTheBitmap) {
    dib_test::TestDib dib = dib_test::Filled(4, 4, 8, 1, SheetColors());
    // Half of the destination hangs off the surface's right and bottom edges.
    {
        Blit blit(dib, 4, 4, PixelFormat::Rgb565);
        ASSERT_TRUE(StretchBlt(blit.surface, 2, 2, 4, 4, blit.memory, 0, 0, 4, 4, SRCCOPY));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) EXPECT_EQ(blit.At(x, y), x >= 2 && y >= 2 ? 0xF800 : kUntouched);
        }
    }
    // A source rectangle reaching past the bitmap copies only the part inside it.
    {
        Blit blit(dib, 4, 4, PixelFormat::Rgb565);
        ASSERT_TRUE(StretchBlt(blit.surface, 0, 0, 4, 4, blit.memory, 2, -2, 4, 4, SRCCOPY));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) EXPECT_EQ(blit.At(x, y), x < 2 && y >= 2 ? 0xF800 : kUntouched);
        }
    }
    // Entirely off the surface, at extreme coordinates: nothing is written.
    {
        Blit blit(dib, 4, 4, PixelFormat::Rgb565);
        EXPECT_TRUE(StretchBlt(blit.surface, -100000, 2000000000, 4, 4, blit.memory, 0, 0, 4, 4, SRCCOPY));
        for (const std::uint16_t pixel : blit.pixels) EXPECT_EQ(pixel, kUntouched);
    }
}

TEST(GdiStretchBlt, RefusesBadHandlesAndRequestsWithoutTouchingPixels) {
    dib_test::TestDib dib = dib_test::Filled(2, 2, 8, 1, SheetColors());
    Blit blit(dib, 2, 2, PixelFormat::Rgb565);
    HDC bogus = reinterpret_cast<HDC>(&blit);  // an address that is not a DC
    HDC empty = CreateCompatibleDC(nullptr);  // still holds its stock 1x1 bitmap
    const struct {
        const char* what;
        HDC dest;
        HDC src;
        int w;
        DWORD rop;
    } cases[] = {
        {"null destination", nullptr, blit.memory, 2, SRCCOPY},
        {"null source", blit.surface, nullptr, 2, SRCCOPY},
        {"made-up destination", bogus, blit.memory, 2, SRCCOPY},
        {"made-up source", blit.surface, bogus, 2, SRCCOPY},
        {"memory DC as destination", blit.memory, blit.memory, 2, SRCCOPY},
        {"surface DC as source", blit.surface, blit.surface, 2, SRCCOPY},
        {"zero width", blit.surface, blit.memory, 0, SRCCOPY},
        {"other raster operation", blit.surface, blit.memory, 2, 0x00EE0086},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(StretchBlt(c.dest, 0, 0, c.w, 2, c.src, 0, 0, 2, 2, c.rop)) << c.what;
    }
    for (const std::uint16_t pixel : blit.pixels) EXPECT_EQ(pixel, kUntouched);
    // A deleted DC is as unknown as a made-up one.
    DeleteDC(empty);
    EXPECT_FALSE(StretchBlt(blit.surface, 0, 0, 2, 2, empty, 0, 0, 2, 2, SRCCOPY));
    for (const std::uint16_t pixel : blit.pixels) EXPECT_EQ(pixel, kUntouched);
}

}  // namespace
