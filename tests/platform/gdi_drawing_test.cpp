// Drawing into a 16-bit surface DC: TextOutA (glyphs in exactly the text colour below right of the
// reference point, transparent or opaque, clipped exactly) and StretchBlt from a DIB section
// (colour conversion, nearest-neighbour scaling, mirroring, clipping, refusals). Each surface sits
// inside a guard band that catches writes past its edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"

namespace {

using platform::PixelFormat;
using Pixels = std::vector<std::uint16_t>;
constexpr int kGuard = 24;

// Every pixel of the buffer starts distinct from its neighbours and from every colour drawn here.
struct Surface {
    Surface(int w, int h, PixelFormat format = PixelFormat::Rgb565)
        : width(w), height(h), pixels(static_cast<std::size_t>((w + 2 * kGuard) * (h + 2 * kGuard))) {
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint16_t>(0x1000 | (i & 0x7FF));
        picture = pixels;
        dc = platform::gdi::CreateSurfaceDC(&pixels[Index(0, 0)], w, h, w + 2 * kGuard, format);
    }
    ~Surface() { platform::gdi::DestroySurfaceDC(dc); }
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>((y + kGuard) * (width + 2 * kGuard) + x + kGuard);
    }
    std::uint16_t At(int x, int y) const { return pixels[Index(x, y)]; }
    bool Changed(int x, int y) const { return At(x, y) != picture[Index(x, y)]; }
    // A pixel drawn on the surface, or 0 where nothing was drawn or (x, y) lies outside it.
    std::uint16_t Drawn(std::int64_t x, std::int64_t y) const {
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        return inside && Changed(static_cast<int>(x), static_cast<int>(y))
                   ? At(static_cast<int>(x), static_cast<int>(y))
                   : 0;
    }
    bool GuardIntact() const {
        for (int y = -kGuard; y < height + kGuard; ++y)
            for (int x = -kGuard; x < width + kGuard; ++x)
                if ((x < 0 || y < 0 || x >= width || y >= height) && Changed(x, y)) return false;
        return true;
    }
    BOOL Text(int x, int y, const char* text, int mode = TRANSPARENT, COLORREF colour = RGB(0, 0, 255)) {
        SetBkMode(dc, mode);
        SetTextColor(dc, colour);
        return TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
    }

    int width, height;
    Pixels pixels, picture;
    HDC dc = nullptr;
};

TEST(GdiText, GlyphsInExactlyTheTextColourBelowRightOfTheReferencePointClippedExactly) {
    const struct {
        PixelFormat format;
        int mode;
        COLORREF colour;
        std::uint16_t ink, background;  // transparent: the ink, as nothing else may change
    } cases[] = {{PixelFormat::Rgb565, TRANSPARENT, RGB(255, 0, 0), 0xF800, 0xF800},
                 {PixelFormat::Rgb565, TRANSPARENT, RGB(0, 255, 0), 0x07E0, 0x07E0},
                 {PixelFormat::Rgb555, TRANSPARENT, RGB(0, 255, 0), 0x03E0, 0x03E0},
                 {PixelFormat::Rgb565, OPAQUE, RGB(255, 0, 0), 0xF800, 0xFFFF},  // the default background: white
                 {PixelFormat::Rgb555, OPAQUE, RGB(0, 0, 255), 0x001F, 0x7FFF}};
    for (const auto& c : cases) {
        const int row = static_cast<int>(&c - cases);
        Surface whole(200, 60, c.format);  // well inside
        ASSERT_TRUE(whole.Text(30, 20, "W@88 Mg", c.mode, c.colour));
        int changed = 0, ink = 0, other = 0, minX = 999, minY = 999, maxX = -1, maxY = -1;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (const std::uint16_t p = whole.Drawn(x, y); p != 0) {
                    changed++, ink += p == c.ink, other += p != c.ink && p != c.background;
                    minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x),
                    maxY = std::max(maxY, y);
                }
            }
        }
        EXPECT_TRUE(other == 0 && ink > 60 && whole.GuardIntact()) << row;  // no antialiasing
        // Seven characters on one line of about 16 pixels; capitals reach up near its top.
        EXPECT_TRUE(minX >= 30 && maxX > 30 + 50 && maxX < 30 + 110 && minY >= 20 && minY <= 26 && maxY < 38) << row;
        if (c.mode == OPAQUE) {  // the whole cell, from the reference point down and right
            EXPECT_TRUE(minX == 30 && minY == 20 && maxY >= 33 && changed - ink > ink) << row;
            EXPECT_EQ(changed, (maxX - minX + 1) * (maxY - minY + 1)) << row;
        }
        // Elsewhere, exactly the part of that picture that falls on the surface.
        for (const int x : {-40, -7, 50, 193, -1000000, 2000000000}) {
            for (const int y : {-9, 10, 56, 2000000000}) {
                Surface s(200, 60, c.format);
                ASSERT_TRUE(s.Text(x, y, "W@88 Mg", c.mode, c.colour));
                int differing = 0;
                for (int sy = 0; sy < 60; ++sy)
                    for (int sx = 0; sx < 200; ++sx)
                        differing += s.Drawn(sx, sy) != whole.Drawn(sx - x + 30LL, sy - y + 20LL);
                EXPECT_TRUE(differing == 0 && s.GuardIntact()) << row << " at " << x << "," << y;
            }
        }
    }
}

TEST(GdiTextDeathTest, WithoutAFontTextFailsAndSaysWhyOnce) {
    // A fresh process (the font loads once per process) whose fontconfig knows no fonts at all.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string config = ::testing::TempDir() + "no_fonts.conf";
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", config.c_str(), 1);
            Surface s(200, 60);
            const int failures = !s.Text(0, 0, "66 100") + !s.Text(0, 0, "66 100") + !s.Text(0, 0, "66 100", OPAQUE);
            std::exit(s.pixels == s.picture ? failures : 100);
        },
        ::testing::ExitedWithCode(3), "^platform: text cannot be drawn: [^\n]*\n$");
}

// Palette: 0 pure green (the sheets' transparent colour), 1 red, 2 mid-grey, 3 r=0x09 g=0x37 b=0xFF;
// the same in 5-6-5 and 5-5-5, each component truncated to its field's width.
const std::vector<RGBQUAD> kSheetColors = {
    {0, 255, 0, 0}, {0, 0, 255, 0}, {0x80, 0x80, 0x80, 0}, {0xFF, 0x37, 0x09, 0}};
constexpr std::uint16_t kSheet565[4] = {0x07E0, 0xF800, 0x8410, (0x09 >> 3) << 11 | (0x37 >> 2) << 5 | 0x1F};
constexpr std::uint16_t kSheet555[4] = {0x03E0, 0x7C00, 0x4210, (0x09 >> 3) << 10 | (0x37 >> 3) << 5 | 0x1F};

HBITMAP MakeBitmap(const dib_test::TestDib& dib) {
    const dib_test::Bytes packed = dib.Packed();
    return platform::gdi::CreateDibSection(platform::gdi::DecodePackedDib(packed.data(), packed.size()).dib.value());
}

// Copies `dib` into a w x h surface with StretchBlt from (sx, sy, sw, sh) to (x, y, dw, dh); returns
// the surface's pixels row by row, or nothing when the call fails or writes outside the surface.
Pixels Stretch(const dib_test::TestDib& dib, int w, int h, std::array<int, 8> r, PixelFormat f = PixelFormat::Rgb565) {
    const HBITMAP bitmap = MakeBitmap(dib);
    const HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    Surface s(w, h, f);
    const BOOL ok = StretchBlt(s.dc, r[0], r[1], r[2], r[3], memory, r[4], r[5], r[6], r[7], SRCCOPY);
    DeleteDC(memory);
    DeleteObject(bitmap);
    Pixels inside;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) inside.push_back(s.Drawn(x, y));
    return ok && s.GuardIntact() ? inside : Pixels{};
}

TEST(GdiStretchBlt, ConvertsScalesToTheNearestPixelMirrorsAndClips) {
    // Top row: the four colours left to right (8 bits through the palette, 24 direct); bottom row: red.
    dib_test::TestDib sheet = dib_test::Filled(4, 2, 8, 1, kSheetColors), direct = dib_test::Filled(4, 2, 24, 0xFF0000);
    const std::uint32_t rgb[4] = {0x00FF00, 0xFF0000, 0x808080, 0x0937FF};
    for (int x = 0; x < 4; ++x) sheet.At(x, 0) = static_cast<std::uint32_t>(x), direct.At(x, 0) = rgb[x];
    for (const PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const std::uint16_t* e = format == PixelFormat::Rgb565 ? kSheet565 : kSheet555;
        for (const auto* dib : {&sheet, &direct})
            EXPECT_EQ(Stretch(*dib, 4, 1, {0, 0, 4, 1, 0, 0, 4, 1}, format), Pixels(e, e + 4)) << dib->bits;
    }
    const std::uint16_t green = kSheet565[0], red = kSheet565[1], grey = kSheet565[2], blue = kSheet565[3];
    const struct {
        int w, h;
        std::array<int, 8> request;
        Pixels expected;  // row by row; 0 where nothing was drawn
    } cases[] = {
        {8,
         2,
         {0, 0, 8, 2, 0, 0, 4, 1},
         {green, green, red, red, grey, grey, blue, blue, green, green, red, red, grey, grey, blue, blue}},
        {1, 4, {0, 0, 1, 4, 0, 0, 1, 2}, {green, green, red, red}},  // bottom-up rows arrive top first
        {2, 1, {0, 0, 2, 1, 0, 0, 4, 1}, {red, blue}},               // the source pixel under each centre
        {3, 1, {0, 0, 3, 1, 0, 0, 4, 1}, {green, grey, blue}},
        {4, 1, {4, 0, -4, 1, 0, 0, 4, 1}, {blue, grey, red, green}},  // a negative width mirrors
        {4, 1, {0, 0, 4, 1, 4, 0, -4, 1}, {blue, grey, red, green}},
        {4, 1, {4, 0, -4, 1, 4, 0, -4, 1}, {green, red, grey, blue}},  // both: no mirror
        {1, 2, {0, 2, 1, -2, 0, 0, 1, 2}, {red, green}},               // upside down
        {1, 2, {0, 0, 1, 2, 0, 2, 1, -2}, {red, green}},
        {3, 2, {1, 1, 4, 2, 0, 0, 4, 2}, {0, 0, 0, 0, green, red}},  // clipped by the surface
        {3, 2, {-2, -1, 4, 2, 0, 0, 4, 2}, {red, red, 0, 0, 0, 0}},
        {3, 2, {0, 0, 4, 2, -2, 1, 4, 2}, {0, 0, red, 0, 0, 0}},  // by the bitmap
        {3, 2, {0, 0, 4, 2, 2, -1, 4, 2}, {0, 0, 0, grey, blue, 0}},
        {3, 2, {-100000, 2000000000, 4, 2, 0, 0, 4, 2}, {0, 0, 0, 0, 0, 0}},
        {3, 2, {0, 0, 3, 2, 0, 0, 0, 2}, {}},  // refused: no source extent
    };
    for (const auto& c : cases) EXPECT_EQ(Stretch(sheet, c.w, c.h, c.request), c.expected) << &c - cases;
}

TEST(GdiDrawing, StateCallsAndRefusalsOfBadHandlesAndRequestsLeaveThePixels) {
    Surface s(2, 2);
    HDC memory = CreateCompatibleDC(nullptr), deleted = CreateCompatibleDC(nullptr);
    DeleteDC(deleted);
    // Each call returns the previous state; OPAQUE is the default and 7 no mode.
    EXPECT_EQ((std::vector<int>{SetBkMode(s.dc, TRANSPARENT), SetBkMode(s.dc, OPAQUE), SetBkMode(s.dc, 7)}),
              (std::vector<int>{OPAQUE, TRANSPARENT, 0}));
    EXPECT_EQ((std::vector<COLORREF>{SetTextColor(s.dc, 0x123456), SetTextColor(s.dc, 0xFF)}),
              (std::vector<COLORREF>{0, 0x123456}));
    // Stock objects, by number, replace the DC's brush (0..5, 18), pen (6..8, 19) or font and give back
    // the one before, from the defaults on; a palette (15) is not selected this way.
    const auto select = [&](int stock) { return SelectObject(memory, GetStockObject(stock)); };
    EXPECT_EQ((std::vector<HGDIOBJ>{select(2), select(18), select(6), select(19), select(11), select(15)}),
              (std::vector<HGDIOBJ>{GetStockObject(0), GetStockObject(2), GetStockObject(7), GetStockObject(6),
                                    GetStockObject(13), nullptr}));
    const HBITMAP bitmap = MakeBitmap(dib_test::Filled(1, 1, 24, 0));  // no DC either
    for (HDC bad : {HDC{}, deleted, reinterpret_cast<HDC>(bitmap)})
        EXPECT_TRUE(SetBkMode(bad, OPAQUE) == 0 && SetTextColor(bad, 0) == CLR_INVALID);
    DeleteObject(bitmap);
    for (HDC bad : {HDC{}, deleted, memory}) EXPECT_FALSE(TextOutA(bad, 0, 0, "x", 1));  // text goes into surfaces only
    EXPECT_FALSE(TextOutA(s.dc, 0, 0, nullptr, 3) || TextOutA(s.dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(s.dc, 0, 0, "", 0));
    const struct {
        HDC dest, src;
        int w, h;
        DWORD rop;
    } blits[] = {{nullptr, memory, 2, 2, SRCCOPY}, {s.dc, nullptr, 2, 2, SRCCOPY},
                 {memory, memory, 2, 2, SRCCOPY},  {s.dc, s.dc, 2, 2, SRCCOPY},
                 {s.dc, deleted, 2, 2, SRCCOPY},   {s.dc, memory, 0, 2, SRCCOPY},
                 {s.dc, memory, 2, 0, SRCCOPY},    {s.dc, memory, 2, 2, 0x00EE0086 /* SRCPAINT */}};
    for (const auto& b : blits)
        EXPECT_FALSE(StretchBlt(b.dest, 0, 0, b.w, b.h, b.src, 0, 0, 2, 2, b.rop)) << &b - blits;
    DeleteDC(memory);
    EXPECT_EQ(s.pixels, s.picture);
}

}  // namespace
