// GDI: memory DCs and DIB sections (selection, descriptions, deletion, handle checks), text and
// StretchBlt into 16-bit surface DCs inside a guard band that catches writes past their edges, and
// LoadImageA on bitmap resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"
#include "gdi/gdi_control.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"
#include "kernel/kernel_control.h"
#include "windows.h"

namespace {

using platform::PixelFormat;
using platform::gdi::LiveGdiObjectCount;
using Pixels = std::vector<std::uint16_t>;
constexpr int kGuard = 24;

HBITMAP MakeBitmap(const dib_test::TestDib& dib) {
    const dib_test::Bytes packed = dib.Packed();
    return platform::gdi::CreateDibSection(platform::gdi::DecodePackedDib(packed.data(), packed.size()).dib.value());
}
HBITMAP MakeBitmap(int width, int height, int bits) {
    return MakeBitmap(dib_test::Filled(width, height, bits, 0, std::vector<RGBQUAD>(bits <= 8 ? 2 : 0)));
}

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
    bool Changed(int x, int y) const { return pixels[Index(x, y)] != picture[Index(x, y)]; }
    // A pixel drawn on the surface, or 0 where nothing was drawn or (x, y) lies outside it.
    std::uint16_t Drawn(std::int64_t x, std::int64_t y) const {
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        return inside && Changed(int(x), int(y)) ? pixels[Index(int(x), int(y))] : 0;
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

TEST(GdiObjects, SelectionDeletionAndSurfaceDcs) {
    const int before = LiveGdiObjectCount();
    HDC first = CreateCompatibleDC(nullptr), second = CreateCompatibleDC(first);  // compatible with a DC too
    HBITMAP bitmap = MakeBitmap(3, 2, 8);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before + 3);
    HGDIOBJ original = SelectObject(first, bitmap);  // the DC's initial 1x1 bitmap
    EXPECT_TRUE(original != nullptr && original != static_cast<HGDIOBJ>(bitmap));
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);  // already selected into `first`
    EXPECT_FALSE(DeleteObject(bitmap));                // still selected: stays alive
    EXPECT_EQ(SelectObject(first, original), static_cast<HGDIOBJ>(bitmap));
    EXPECT_EQ(SelectObject(second, bitmap), original);  // free again once deselected
    // Stock objects select like any other and survive deletion.
    HGDIOBJ black = GetStockObject(BLACK_BRUSH), brush = SelectObject(first, black);
    EXPECT_NE(brush, nullptr);  // the default brush
    EXPECT_EQ(SelectObject(first, brush), black);
    EXPECT_TRUE(DeleteObject(black) && GetStockObject(BLACK_BRUSH) == black);
    EXPECT_FALSE(SelectObject(first, nullptr) || SelectObject(first, reinterpret_cast<HGDIOBJ>(&brush)));
    EXPECT_TRUE(DeleteDC(second));  // deleting the DC releases the bitmap
    EXPECT_TRUE(DeleteObject(bitmap) && DeleteDC(first));
    EXPECT_EQ(LiveGdiObjectCount(), before);
    BITMAP description{};  // everything is gone: a second delete or a use is refused
    EXPECT_FALSE(DeleteDC(first) || DeleteObject(bitmap) || SelectObject(first, original) ||
                 GetObjectA(bitmap, sizeof description, &description));
    // Surface DCs: checked, and owned by their surfaces.
    std::uint16_t pixels[4 * 4] = {};
    EXPECT_EQ(platform::gdi::CreateSurfaceDC(nullptr, 4, 4, 4, PixelFormat::Rgb565), nullptr);
    for (const auto& [w, h, stride] : {std::tuple{0, 4, 4}, {4, -1, 4}, {4, 4, 3}})
        EXPECT_EQ(platform::gdi::CreateSurfaceDC(pixels, w, h, stride, PixelFormat::Rgb565), nullptr)
            << w << h << stride;
    HDC dc = platform::gdi::CreateSurfaceDC(pixels, 4, 4, 4, PixelFormat::Rgb565);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before + 1);
    EXPECT_FALSE(DeleteDC(dc) || DeleteObject(dc));  // surfaces give their DCs back through ReleaseDC
    bitmap = MakeBitmap(1, 1, 8);
    EXPECT_TRUE(SelectObject(dc, bitmap) == nullptr && DeleteObject(bitmap));  // surface DCs draw into their surface
    platform::gdi::DestroySurfaceDC(dc);
    platform::gdi::DestroySurfaceDC(dc);  // already gone: ignored
    platform::gdi::DestroySurfaceDC(reinterpret_cast<HDC>(pixels));
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(GdiObjects, GetObjectFillsWholeRecordsOrNothing) {
    HBITMAP bitmap = MakeBitmap(5, 3, 24);
    // Too small for a BITMAP is refused without a partial copy; a DIBSECTION once there is room for one.
    constexpr int kBitmap = sizeof(BITMAP), kSection = sizeof(DIBSECTION);
    const int table[][2] = {{0, 0},           {1, 0},
                            {16, 0},          {kBitmap - 8, 0},
                            {kBitmap - 1, 0}, {kBitmap, kBitmap},
                            {64, kBitmap},    {kSection, kSection},
                            {256, kSection}};
    for (const auto& [bytes, expected] : table) {
        unsigned char buffer[256];
        std::memset(buffer, 0xCD, sizeof buffer);
        EXPECT_EQ(GetObjectA(bitmap, bytes, buffer), expected) << bytes << " bytes";
        const auto written = std::find_if(std::rbegin(buffer), std::rend(buffer), [](auto b) { return b != 0xCD; });
        EXPECT_LE(std::rend(buffer) - written, expected) << bytes << " bytes";
    }
    DIBSECTION s{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof s, &s), kSection);
    EXPECT_NE(s.dsBm.bmBits, nullptr);
    // 15 bytes a row padded to 16; the bits are stored top-down.
    EXPECT_EQ(std::tuple(s.dsBm.bmType, s.dsBm.bmWidth, s.dsBm.bmHeight, s.dsBm.bmWidthBytes, s.dsBm.bmPlanes,
                         s.dsBm.bmBitsPixel, s.dsBmih.biSize, s.dsBmih.biWidth, s.dsBmih.biHeight, s.dsBmih.biBitCount,
                         s.dsBmih.biSizeImage),
              std::tuple(0, 5, 3, 16, 1, 24, 40u, 5, -3, 24, 48u));
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), kBitmap);
    EXPECT_FALSE(GetObjectA(bitmap, -1, &s) || GetObjectA(nullptr, sizeof s, &s));
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectA(dc, sizeof s, &s), 0);  // a DC is not a bitmap
    // A new DC's own 1x1 bitmap is a device bitmap: a BITMAP however large the buffer.
    HGDIOBJ original = SelectObject(dc, bitmap);
    EXPECT_EQ(GetObjectA(original, sizeof s, &s), kBitmap);
    SelectObject(dc, original);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST(GdiText, GlyphsInExactlyTheTextColourBelowRightOfTheReferencePointClippedExactly) {
    // Format, mode, colour, the ink and background drawn (transparent: only the ink may show).
    const std::tuple<PixelFormat, int, COLORREF, std::uint16_t, std::uint16_t> cases[] = {
        {PixelFormat::Rgb565, TRANSPARENT, RGB(255, 0, 0), 0xF800, 0xF800},
        {PixelFormat::Rgb565, TRANSPARENT, RGB(0, 255, 0), 0x07E0, 0x07E0},
        {PixelFormat::Rgb555, TRANSPARENT, RGB(0, 255, 0), 0x03E0, 0x03E0},
        {PixelFormat::Rgb565, OPAQUE, RGB(255, 0, 0), 0xF800, 0xFFFF},  // the default background: white
        {PixelFormat::Rgb555, OPAQUE, RGB(0, 0, 255), 0x001F, 0x7FFF}};
    for (const auto& [format, mode, colour, inkColour, background] : cases) {
        const int row = static_cast<int>(colour);
        Surface whole(200, 60, format);  // well inside
        ASSERT_TRUE(whole.Text(30, 20, "W@88 Mg", mode, colour));
        int changed = 0, ink = 0, other = 0, minX = 999, minY = 999, maxX = -1, maxY = -1;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (const std::uint16_t p = whole.Drawn(x, y); p != 0) {
                    changed++, ink += p == inkColour, other += p != inkColour && p != background;
                    minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x),
                    maxY = std::max(maxY, y);
                }
            }
        }
        EXPECT_TRUE(other == 0 && ink > 60 && whole.GuardIntact()) << row;  // no antialiasing
        // Seven characters on one line of about 16 pixels; capitals reach up near its top.
        EXPECT_TRUE(minX >= 30 && maxX > 30 + 50 && maxX < 30 + 110 && minY >= 20 && minY <= 26 && maxY < 38) << row;
        if (mode == OPAQUE) {  // the whole cell, from the reference point down and right
            EXPECT_TRUE(minX == 30 && minY == 20 && maxY >= 33 && changed - ink > ink) << row;
            EXPECT_EQ(changed, (maxX - minX + 1) * (maxY - minY + 1)) << row;
        }
        // Elsewhere, exactly the part of that picture that falls on the surface.
        for (const int x : {-40, -7, 50, 193, -1000000, 2000000000}) {
            for (const int y : {-9, 10, 56, 2000000000}) {
                Surface s(200, 60, format);
                ASSERT_TRUE(s.Text(x, y, "W@88 Mg", mode, colour));
                int differing = 0;
                for (int sy = 0; sy < 60; ++sy)
                    for (int sx = 0; sx < 200; ++sx)
                        differing += s.Drawn(sx, sy) != whole.Drawn(sx - x + 30LL, sy - y + 20LL);
                EXPECT_TRUE(differing == 0 && s.GuardIntact()) << row << " at " << x << "," << y;
            }
        }
    }
}

// Palette: 0 pure green (the sheets' transparent colour), 1 red, 2 mid-grey, 3 r=0x09 g=0x37 b=0xFF;
// the same in 5-6-5 and 5-5-5, each component truncated to its field's width.
constexpr std::uint16_t kSheet565[4] = {0x07E0, 0xF800, 0x8410, (0x09 >> 3) << 11 | (0x37 >> 2) << 5 | 0x1F};
constexpr std::uint16_t kSheet555[4] = {0x03E0, 0x7C00, 0x4210, (0x09 >> 3) << 10 | (0x37 >> 3) << 5 | 0x1F};

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
    dib_test::TestDib sheet = dib_test::Filled(
                          4, 2, 8, 1, {{0, 255, 0, 0}, {0, 0, 255, 0}, {0x80, 0x80, 0x80, 0}, {0xFF, 0x37, 0x09, 0}}),
                      direct = dib_test::Filled(4, 2, 24, 0xFF0000);
    const std::uint32_t rgb[4] = {0x00FF00, 0xFF0000, 0x808080, 0x0937FF};
    for (int x = 0; x < 4; ++x) sheet.At(x, 0) = static_cast<std::uint32_t>(x), direct.At(x, 0) = rgb[x];
    for (const PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const std::uint16_t* e = format == PixelFormat::Rgb565 ? kSheet565 : kSheet555;
        for (const auto* dib : {&sheet, &direct})
            EXPECT_EQ(Stretch(*dib, 4, 1, {0, 0, 4, 1, 0, 0, 4, 1}, format), Pixels(e, e + 4)) << dib->bits;
    }
    const std::uint16_t green = kSheet565[0], red = kSheet565[1], grey = kSheet565[2], blue = kSheet565[3];
    // Surface size, the request, the pixels row by row (0 where nothing was drawn).
    const std::tuple<int, int, std::array<int, 8>, Pixels> cases[] = {
        {8, 1, {0, 0, 8, 1, 0, 0, 4, 1}, {green, green, red, red, grey, grey, blue, blue}},
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
    for (const auto& [w, h, request, expected] : cases)
        EXPECT_EQ(Stretch(sheet, w, h, request), expected)
            << w << "x" << h << " from " << request[4] << "," << request[5];
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
    const HBITMAP bitmap = MakeBitmap(1, 1, 24);  // no DC either
    for (HDC bad : {HDC{}, deleted, reinterpret_cast<HDC>(bitmap)})
        EXPECT_TRUE(SetBkMode(bad, OPAQUE) == 0 && SetTextColor(bad, 0) == CLR_INVALID);
    DeleteObject(bitmap);
    for (HDC bad : {HDC{}, deleted, memory}) EXPECT_FALSE(TextOutA(bad, 0, 0, "x", 1));  // text goes into surfaces only
    EXPECT_FALSE(TextOutA(s.dc, 0, 0, nullptr, 3) || TextOutA(s.dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(s.dc, 0, 0, "", 0));
    const std::tuple<HDC, HDC, int, int, DWORD> blits[] = {
        {nullptr, memory, 2, 2, SRCCOPY}, {s.dc, nullptr, 2, 2, SRCCOPY},
        {memory, memory, 2, 2, SRCCOPY},  {s.dc, s.dc, 2, 2, SRCCOPY},
        {s.dc, deleted, 2, 2, SRCCOPY},   {s.dc, memory, 0, 2, SRCCOPY},
        {s.dc, memory, 2, 0, SRCCOPY},    {s.dc, memory, 2, 2, 0x00EE0086 /* SRCPAINT */}};
    for (const auto& [dest, src, w, h, rop] : blits)
        EXPECT_FALSE(StretchBlt(dest, 0, 0, w, h, src, 0, 0, 2, 2, rop)) << dest << " " << src << " " << w << h << rop;
    DeleteDC(memory);
    EXPECT_EQ(s.pixels, s.picture);
}

HBITMAP Load(LPCSTR name, int width = 0, int height = 0) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION));
}

TEST(ResourceLoadImage, DecodesAddedAndEmbeddedBitmapsAndRefusesWhatItCannot) {
    dib_test::TestDib dib = dib_test::Filled(6, 4, 8, 1, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{0, 0, 255, 0}});
    const dib_test::Bytes good = dib.Packed();
    using platform::resources::AddForTesting;
    AddForTesting(RT_BITMAP, 7101, good);
    AddForTesting(RT_BITMAP, 7103, dib_test::Bytes(good.begin(), good.end() - 4));  // pixels cut short
    AddForTesting(RT_BITMAP, 7104, {'B', 'M', 0, 0});                               // a file header is not a DIB
    const int before = LiveGdiObjectCount();
    for (LPCSTR name : {"#7103", "#7104", "#7199", "nothing"}) EXPECT_EQ(Load(name), nullptr) << name;
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), "#7101", 1, 0, 0, 0), nullptr);  // an icon, not a bitmap
    EXPECT_EQ(LoadImageA(reinterpret_cast<HINSTANCE>(0x99), "#7101", IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_FALSE(Load("#7101", 6, 5) || Load("#7101", 7, 4));  // no scaling
    platform::resources::FailLockResource(1);
    EXPECT_EQ(Load("#7101"), nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before);
    HBITMAP bitmap = Load("#7101", 6, 4);  // its own size is no scaling
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before + 1);
    BITMAP d{};  // its description; the pixels it holds are the decoder's
    EXPECT_TRUE(GetObjectA(bitmap, sizeof d, &d) && d.bmWidth == 6 && d.bmHeight == 4 && d.bmBitsPixel == 8);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(LiveGdiObjectCount(), before);
    for (int id : {7101, 7103, 7104}) platform::resources::RemoveForTesting(RT_BITMAP, id);
}

}  // namespace
