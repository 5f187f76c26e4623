// TextOutA into a surface DC: monochrome glyphs in exactly the text colour at the reference
// point, transparent and opaque backgrounds, clipping, and the DC state calls around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "gdi/surface_dc.h"
#include "wingdi.h"

namespace {

using platform::PixelFormat;

constexpr int kWidth = 200;
constexpr int kHeight = 60;

// A surface filled with a recognisable picture (every pixel different from its neighbours).
struct TextSurface {
    explicit TextSurface(PixelFormat format = PixelFormat::Rgb565) : pixels(kWidth * kHeight) {
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint16_t>(0x1000 + i * 7);
        picture = pixels;
        dc = platform::gdi::CreateSurfaceDC(pixels.data(), kWidth, kHeight, kWidth, format);
    }
    ~TextSurface() { platform::gdi::DestroySurfaceDC(dc); }
    BOOL Draw(int x, int y, const char* text) { return TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text))); }
    BOOL DrawTransparent(int x, int y, const char* text, COLORREF colour) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colour);
        return Draw(x, y, text);
    }

    std::vector<std::uint16_t> pixels;
    std::vector<std::uint16_t> picture;
    HDC dc = nullptr;
};

// The pixels that differ from the picture: how many, their bounds, and whether all are `colour`.
struct Changes {
    int count = 0;
    int minX = kWidth, minY = kHeight, maxX = -1, maxY = -1;
    bool allTextColour = true;
};

Changes Compare(const TextSurface& s, std::uint16_t colour) {
    Changes c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
            if (s.pixels[i] == s.picture[i]) continue;
            ++c.count;
            c.allTextColour = c.allTextColour && s.pixels[i] == colour;
            c.minX = std::min(c.minX, x);
            c.minY = std::min(c.minY, y);
            c.maxX = std::max(c.maxX, x);
            c.maxY = std::max(c.maxY, y);
        }
    }
    return c;
}

TEST(GdiText, TransparentColouredTextSitsBelowRightOfItsReferencePoint) {
    const struct {
        PixelFormat format;
        COLORREF colour;
        std::uint16_t expected;
    } cases[] = {{PixelFormat::Rgb565, RGB(255, 0, 0), 0xF800},
                 {PixelFormat::Rgb565, RGB(0, 255, 0), 0x07E0},
                 {PixelFormat::Rgb555, RGB(0, 255, 0), 0x03E0}};
    for (const auto& t : cases) {
        TextSurface surface(t.format);
        ASSERT_TRUE(surface.DrawTransparent(30, 20, "66 100", t.colour));
        const Changes c = Compare(surface, t.expected);
        EXPECT_GT(c.count, 30);
        EXPECT_TRUE(c.allTextColour);  // no antialiasing: every drawn pixel is exactly the colour
        EXPECT_GE(c.minX, 30);
        EXPECT_GE(c.minY, 20);
        EXPECT_LT(c.maxY, 20 + 17);  // one line of about 16 pixels
        EXPECT_LT(c.maxX, 30 + 70);  // six narrow characters
        EXPECT_GT(c.maxX - c.minX, 25);
        EXPECT_LE(c.minY, 20 + 6);  // digits reach up near the top of the cell
    }
    TextSurface a, b;  // the glyphs follow the string
    ASSERT_TRUE(a.DrawTransparent(30, 20, "66 0", RGB(255, 0, 0)) &&
                b.DrawTransparent(30, 20, "66 100", RGB(255, 0, 0)));
    EXPECT_NE(a.pixels, b.pixels);
}

TEST(GdiText, OpaqueBackgroundFillsTheTextCellWithWhite) {
    TextSurface surface;
    SetTextColor(surface.dc, RGB(255, 0, 0));
    ASSERT_TRUE(surface.Draw(40, 10, "8"));  // OPAQUE is the default
    const Changes c = Compare(surface, 0xF800);
    int red = 0;
    for (int y = c.minY; y <= c.maxY; ++y) {
        for (int x = c.minX; x <= c.maxX; ++x) {
            const std::uint16_t p = surface.pixels[static_cast<std::size_t>(y * kWidth + x)];
            red += p == 0xF800;
            ASSERT_TRUE(p == 0xF800 || p == 0xFFFF) << x << "," << y;
        }
    }
    EXPECT_EQ(c.minX, 40);
    EXPECT_EQ(c.minY, 10);
    EXPECT_GE(c.maxY - c.minY + 1, 14);  // the whole cell, about 16 rows
    EXPECT_LE(c.maxY - c.minY + 1, 18);
    EXPECT_GT(red, 10);
    EXPECT_GT(c.count - red, red);  // more white than red
}

TEST(GdiText, ClipsAtEveryEdge) {
    const std::pair<int, int> places[] = {{-7, 10},
                                          {kWidth - 5, 10},
                                          {50, -9},
                                          {50, kHeight - 4},
                                          {-1000000, -1000000},
                                          {2000000000, 2000000000},
                                          {kWidth - 5, kHeight - 8}};
    for (const auto& [x, y] : places) {
        TextSurface surface;
        EXPECT_TRUE(surface.DrawTransparent(x, y, "W@88 Mg", RGB(0, 0, 255))) << x << "," << y;
        EXPECT_TRUE(Compare(surface, 0x001F).allTextColour) << x << "," << y;
    }
    TextSurface partly;
    ASSERT_TRUE(partly.DrawTransparent(kWidth - 5, kHeight - 8, "MMMM", RGB(0, 0, 255)));
    const Changes c = Compare(partly, 0x001F);
    EXPECT_GT(c.count, 0);  // the visible corner of the text is drawn
    EXPECT_GE(c.minX, kWidth - 5);
}

TEST(GdiText, StateCallsAndBadArguments) {
    TextSurface surface;
    EXPECT_EQ(SetBkMode(surface.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(surface.dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(surface.dc, 7), 0);  // not a mode
    EXPECT_EQ(SetTextColor(surface.dc, 0x123456), 0u);
    EXPECT_EQ(SetTextColor(surface.dc, 0x0000FF), 0x123456u);
    HDC memory = CreateCompatibleDC(nullptr);  // text goes into surfaces only
    for (HDC bad : {HDC{}, reinterpret_cast<HDC>(&surface)}) {
        EXPECT_EQ(SetBkMode(bad, TRANSPARENT), 0);
        EXPECT_EQ(SetTextColor(bad, 0), CLR_INVALID);
    }
    for (HDC bad : {HDC{}, reinterpret_cast<HDC>(&surface), memory}) EXPECT_FALSE(TextOutA(bad, 0, 0, "x", 1));
    DeleteDC(memory);
    EXPECT_FALSE(TextOutA(surface.dc, 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutA(surface.dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(surface.dc, 0, 0, "", 0));
    EXPECT_EQ(surface.pixels, surface.picture);
}

TEST(GdiTextDeathTest, WithoutAFontTextFailsAndSaysWhyOnce) {
    // A fresh process (the font loads once per process) whose fontconfig knows no fonts at all.
    const std::string previousStyle = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string config = ::testing::TempDir() + "no_fonts.conf";
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", config.c_str(), 1);
            TextSurface surface;
            int failures = 0;
            for (int i = 0; i < 3; ++i) failures += surface.Draw(0, 0, "66 100") ? 0 : 1;
            std::exit(surface.pixels == surface.picture ? failures : 100);
        },
        ::testing::ExitedWithCode(3), "^platform: text cannot be drawn: [^\n]*\n$");
    GTEST_FLAG_SET(death_test_style, previousStyle);
}

}  // namespace
