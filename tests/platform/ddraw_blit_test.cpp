// Blit semantics of the software DirectDraw: copies, source colour keys, mirrors, colour fills,
// rectangle checks and copies within one surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;
using platform::PixelFormat;

// What one blit should do, written pixel by pixel from its definition.
struct Expectation {
    RECT src;
    LONG destX, destY;
    bool keyed = false;
    bool leftRight = false;
    bool upDown = false;
    std::uint16_t low = 0, high = 0;
};

std::vector<std::uint16_t> ExpectedAfter(const std::vector<std::uint16_t>& source, int sourceWidth,
                                         std::vector<std::uint16_t> dest, int destWidth, const Expectation& e) {
    const int w = e.src.right - e.src.left;
    const int h = e.src.bottom - e.src.top;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int column = e.leftRight ? e.src.right - 1 - i : e.src.left + i;
            const int row = e.upDown ? e.src.bottom - 1 - j : e.src.top + j;
            const std::uint16_t p = source[row * sourceWidth + column];
            if (e.keyed && p >= e.low && p <= e.high) continue;
            dest[(e.destY + j) * destWidth + e.destX + i] = p;
        }
    }
    return dest;
}

enum class Method { Blt, BltFast };

struct BlitCase {
    const char* name;
    Method method;
    DWORD flags;
    DWORD ddfx;
    RECT src;
    LONG destX, destY;
    std::uint16_t keyLow, keyHigh;
};

void PrintTo(const BlitCase& c, std::ostream* os) { *os << c.name; }

constexpr DWORD kKeyedMirror = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX;
constexpr DWORD kLR = DDBLTFX_MIRRORLEFTRIGHT;
constexpr DWORD kUD = DDBLTFX_MIRRORUPDOWN;

const BlitCase kBlitCases[] = {
    {"BltPlain", Method::Blt, DDBLT_WAIT, 0, {5, 7, 69, 71}, 10, 3, 0x07E0, 0x07E0},
    {"BltNoFlags", Method::Blt, 0, 0, {0, 0, 100, 80}, 20, 10, 0x07E0, 0x07E0},
    {"BltFastPlain", Method::BltFast, DDBLTFAST_WAIT, 0, {5, 7, 69, 71}, 10, 3, 0x07E0, 0x07E0},
    {"BltKeyed", Method::Blt, DDBLT_WAIT | DDBLT_KEYSRC, 0, {0, 0, 100, 80}, 20, 10, 0x07E0, 0x07E0},
    {"BltFastKeyed", Method::BltFast, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY, 0, {3, 2, 67, 66}, 0, 0, 0x03E0, 0x03E0},
    {"MirrorLeftRight", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR, {1, 2, 101 - 1, 62}, 7, 9, 0, 0},
    {"MirrorUpDown", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kUD, {1, 2, 65, 66}, 7, 9, 0, 0},
    {"MirrorBoth", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR | kUD, {1, 2, 65, 66}, 56, 26, 0, 0},
    {"MirrorNone", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, 0, {1, 2, 65, 66}, 56, 26, 0, 0},
    {"KeyedMirrorLeftRight", Method::Blt, kKeyedMirror, kLR, {0, 0, 100, 120 - 40}, 0, 0, 0x07E0, 0x07E0},
    {"KeyedMirrorUpDown", Method::Blt, kKeyedMirror, kUD, {32, 16, 96, 80}, 40, 1, 0x07E0, 0x07E0},
    {"KeyedMirrorBoth", Method::Blt, kKeyedMirror, kLR | kUD, {49, 0, 64, 15}, 105, 0, 0x07E0, 0x07E0},
    {"KeyRange", Method::Blt, DDBLT_KEYSRC, 0, {0, 0, 100, 80}, 0, 0, 0x1000, 0x3FFF},
    {"KeyRangeMirrored", Method::Blt, kKeyedMirror, kLR, {0, 0, 99, 80}, 1, 0, 0x1000, 0x3FFF},
    {"KeyRangeBltFast", Method::BltFast, DDBLTFAST_SRCCOLORKEY, 0, {0, 0, 97, 80}, 0, 0, 0xFFF0, 0xFFFF},
    // Widths around the vector width exercise the row tails.
    {"Width1KeyedMirror", Method::Blt, kKeyedMirror, kLR, {4, 4, 5, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width7KeyedMirror", Method::Blt, kKeyedMirror, kLR, {4, 4, 11, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width9Mirror", Method::Blt, DDBLT_DDFX, kLR, {4, 4, 13, 44}, 3, 3, 0, 0},
    {"Width17Keyed", Method::Blt, DDBLT_KEYSRC, 0, {4, 4, 21, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width16KeyedMirror", Method::Blt, kKeyedMirror, kLR | kUD, {4, 4, 20, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width21KeyedMirror", Method::Blt, kKeyedMirror, kLR, {4, 4, 25, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width37Mirror", Method::Blt, DDBLT_DDFX, kLR, {4, 4, 41, 44}, 3, 3, 0, 0},
    {"EndsOnRightAndBottomEdges", Method::BltFast, DDBLTFAST_SRCCOLORKEY, 0, {0, 0, 100, 80}, 20, 10, 0x07E0, 0x07E0},
};

class BlitSemantics : public DirectDrawTest, public ::testing::WithParamInterface<BlitCase> {};

TEST_P(BlitSemantics, MatchesPixelByPixelDefinition) {
    const BlitCase& c = GetParam();
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 100, 80);
    IDirectDrawSurface* dest = MakeSurface(dd, 120, 90);
    // Both builds of the pixel loops: the baseline one and, where the processor has it, AVX2.
    for (bool baseline : {false, true}) {
        SCOPED_TRACE(baseline ? "baseline blitter" : "best blitter");
        platform::ddraw::UseBaselineBlitter(baseline);
        std::mt19937 random(1234);
        FillRandom(source, random, c.keyLow, 30);
        FillRandom(dest, random);
        SetKey(source, c.keyLow, c.keyHigh);

        Expectation e{c.src, c.destX, c.destY};
        e.keyed = (c.flags & (c.method == Method::Blt ? DDBLT_KEYSRC : DDBLTFAST_SRCCOLORKEY)) != 0;
        e.leftRight = (c.ddfx & kLR) != 0;
        e.upDown = (c.ddfx & kUD) != 0;
        e.low = c.keyLow;
        e.high = c.keyHigh;
        const auto expected = ExpectedAfter(Snapshot(source), 100, Snapshot(dest), 120, e);

        RECT src = c.src;
        if (c.method == Method::Blt) {
            RECT destRect{c.destX, c.destY, c.destX + (src.right - src.left), c.destY + (src.bottom - src.top)};
            DDBLTFX fx{};
            fx.dwSize = sizeof fx;
            fx.dwDDFX = c.ddfx;
            ASSERT_EQ(dest->Blt(&destRect, source, &src, c.flags, &fx), DD_OK);
        } else {
            ASSERT_EQ(dest->BltFast(static_cast<DWORD>(c.destX), static_cast<DWORD>(c.destY), source, &src, c.flags),
                      DD_OK);
        }
        EXPECT_EQ(Snapshot(dest), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BlitSemantics, ::testing::ValuesIn(kBlitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The mirror directions on a picture small enough to read.
TEST_F(DirectDrawTest, MirrorsReverseTheImageInsideTheDestination) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 4, 2);
    IDirectDrawSurface* dest = MakeSurface(dd, 6, 2);
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(source);
    for (int i = 0; i < 8; ++i) view.pixels[(i / 4) * view.pitchPixels + i % 4] = static_cast<std::uint16_t>(i + 1);

    struct {
        DWORD ddfx;
        std::vector<std::uint16_t> rows;
    } cases[] = {
        {DDBLTFX_MIRRORLEFTRIGHT, {0, 4, 3, 2, 1, 0, 0, 8, 7, 6, 5, 0}},
        {DDBLTFX_MIRRORUPDOWN, {0, 5, 6, 7, 8, 0, 0, 1, 2, 3, 4, 0}},
        {DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN, {0, 8, 7, 6, 5, 0, 0, 4, 3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        platform::ddraw::PixelView d = platform::ddraw::SurfacePixels(dest);
        std::fill(d.pixels, d.pixels + 12, 0);
        RECT destRect{1, 0, 5, 2};
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwDDFX = c.ddfx;
        ASSERT_EQ(dest->Blt(&destRect, source, nullptr, DDBLT_WAIT | DDBLT_DDFX, &fx), DD_OK);
        EXPECT_EQ(Snapshot(dest), c.rows) << "dwDDFX " << c.ddfx;
    }
}

// A fill writes the raw pixel value into the rectangle and nothing else, in either format.
TEST_F(DirectDrawTest, ColorFillWritesTheRawPixelValueInBothFormats) {
    for (PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        IDirectDraw* dd = MakeDirectDraw(format);
        IDirectDrawSurface* surface = MakeSurface(dd, 128, 128, DDSCAPS_VIDEOMEMORY);
        DDPIXELFORMAT pf{};
        pf.dwSize = sizeof pf;
        ASSERT_EQ(surface->GetPixelFormat(&pf), DD_OK);
        const auto green = static_cast<std::uint16_t>(pf.dwGBitMask);
        EXPECT_EQ(green, format == PixelFormat::Rgb565 ? 0x07E0 : 0x03E0);

        std::mt19937 random(7);
        FillRandom(surface, random);
        auto expected = Snapshot(surface);
        for (int y = 20; y < 40; ++y)
            for (int x = 3; x < 128; ++x) expected[y * 128 + x] = green;
        RECT rect{3, 20, 128, 40};
        RECT ignored{-5, -5, 1000, 1000};  // a fill passes a source rectangle that plays no part
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = green;
        ASSERT_EQ(surface->Blt(&rect, nullptr, &ignored, DDBLT_WAIT | DDBLT_COLORFILL, &fx), DD_OK);
        EXPECT_EQ(Snapshot(surface), expected);

        // No destination rectangle: the whole surface.
        fx.dwFillColor = 0x1234;
        ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
        EXPECT_EQ(Snapshot(surface), std::vector<std::uint16_t>(128 * 128, 0x1234));
    }
}

TEST_F(DirectDrawTest, NullRectanglesMeanWholeSurfaces) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 64, 48);
    IDirectDrawSurface* dest = MakeSurface(dd, 64, 48);
    std::mt19937 random(3);
    FillRandom(source, random);
    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));

    IDirectDrawSurface* larger = MakeSurface(dd, 65, 48);
    EXPECT_EQ(larger->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS) << "would stretch";
}

// Rectangles on, past and around the edges; a refused blit draws nothing.
struct RectCase {
    const char* name;
    Method method;
    RECT dest;  // Blt: destination rectangle; BltFast: left/top are the point
    RECT src;
    DWORD flags;
    HRESULT expected;
};

void PrintTo(const RectCase& c, std::ostream* os) { *os << c.name; }

constexpr DWORD kFar = 0xFFFFFFFFu;

const RectCase kRectCases[] = {
    {"DestOnRightBottomEdge", Method::Blt, {16, 12, 80, 60}, {0, 0, 64, 48}, 0, DD_OK},
    {"DestOnePastRight", Method::Blt, {17, 12, 81, 60}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"DestOnePastBottom", Method::Blt, {16, 13, 80, 61}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"DestLeftNegative", Method::Blt, {-1, 0, 63, 48}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"DestTopNegative", Method::Blt, {0, -1, 64, 47}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"DestEmpty", Method::Blt, {10, 10, 10, 10}, {0, 0, 0, 0}, 0, DDERR_INVALIDRECT},
    {"DestInverted", Method::Blt, {20, 10, 10, 20}, {0, 0, 10, 10}, 0, DDERR_INVALIDRECT},
    {"SrcOnePastRight", Method::Blt, {0, 0, 64, 48}, {1, 0, 65, 48}, 0, DDERR_INVALIDRECT},
    {"SrcOnePastBottomMirrored", Method::Blt, {0, 0, 64, 48}, {0, 1, 64, 49}, DDBLT_DDFX, DDERR_INVALIDRECT},
    {"SrcEmpty", Method::Blt, {0, 0, 1, 1}, {5, 5, 5, 5}, DDBLT_KEYSRC, DDERR_INVALIDRECT},
    {"SizesDiffer", Method::Blt, {0, 0, 32, 32}, {0, 0, 16, 16}, 0, DDERR_INVALIDPARAMS},
    {"FillOnEdge", Method::Blt, {0, 0, 80, 60}, {0, 0, 0, 0}, DDBLT_COLORFILL, DD_OK},
    {"FillPastRight", Method::Blt, {0, 0, 81, 60}, {0, 0, 0, 0}, DDBLT_COLORFILL, DDERR_INVALIDRECT},
    {"FillEmpty", Method::Blt, {4, 4, 4, 9}, {0, 0, 0, 0}, DDBLT_COLORFILL, DDERR_INVALIDRECT},
    {"FastOnRightBottomEdge", Method::BltFast, {16, 12, 0, 0}, {0, 0, 64, 48}, DDBLTFAST_SRCCOLORKEY, DD_OK},
    {"FastOnePastRight", Method::BltFast, {17, 0, 0, 0}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"FastOnePastBottom", Method::BltFast, {0, 13, 0, 0}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"FastHugeX", Method::BltFast, {static_cast<LONG>(kFar), 0, 0, 0}, {0, 0, 8, 8}, 0, DDERR_INVALIDRECT},
    {"FastHugeY", Method::BltFast, {0, static_cast<LONG>(kFar - 3), 0, 0}, {0, 0, 8, 8}, 0, DDERR_INVALIDRECT},
    {"FastSrcPastRight", Method::BltFast, {0, 0, 0, 0}, {60, 0, 65, 8}, 0, DDERR_INVALIDRECT},
    {"FastSrcInverted", Method::BltFast, {0, 0, 0, 0}, {8, 8, 0, 0}, 0, DDERR_INVALIDRECT},
};

class RectangleChecks : public DirectDrawTest, public ::testing::WithParamInterface<RectCase> {};

TEST_P(RectangleChecks, RefusedBlitsDrawNothing) {
    const RectCase& c = GetParam();
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 64, 48);
    IDirectDrawSurface* dest = MakeSurface(dd, 80, 60);
    std::mt19937 random(99);
    FillRandom(source, random);
    FillRandom(dest, random);
    SetKey(source, 0x07E0, 0x07E0);
    const auto before = Snapshot(dest);

    RECT destRect = c.dest;
    RECT src = c.src;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT;
    fx.dwFillColor = 0xBEEF;
    HRESULT result;
    if (c.method == Method::Blt)
        result = dest->Blt(&destRect, (c.flags & DDBLT_COLORFILL) ? nullptr : source, &src, c.flags, &fx);
    else
        result = dest->BltFast(static_cast<DWORD>(c.dest.left), static_cast<DWORD>(c.dest.top), source, &src, c.flags);
    EXPECT_EQ(result, c.expected);
    if (c.expected != DD_OK) {
        EXPECT_EQ(Snapshot(dest), before);
    } else {
        EXPECT_NE(Snapshot(dest), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RectangleChecks, ::testing::ValuesIn(kRectCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Source and destination in one surface, overlapping: the result is as if the source had been
// read completely before anything was written.
struct OverlapCase {
    const char* name;
    RECT src;
    LONG destX, destY;
    DWORD flags;
    DWORD ddfx;
};

void PrintTo(const OverlapCase& c, std::ostream* os) { *os << c.name; }

const OverlapCase kOverlapCases[] = {
    {"MoveRightDown", {0, 0, 40, 30}, 3, 2, 0, 0},
    {"MoveLeftUp", {5, 6, 45, 36}, 2, 1, 0, 0},
    {"MoveRightSameRows", {0, 5, 40, 25}, 1, 5, 0, 0},
    {"MoveLeftSameRows", {1, 5, 41, 25}, 0, 5, 0, 0},
    {"KeyedMoveDown", {0, 0, 40, 30}, 0, 4, DDBLT_KEYSRC, 0},
    {"MirrorInPlace", {4, 4, 44, 34}, 4, 4, DDBLT_DDFX, DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN},
    {"MirrorUpDownShifted", {0, 0, 40, 30}, 2, 5, DDBLT_DDFX, DDBLTFX_MIRRORUPDOWN},
    {"KeyedMirrorShifted", {6, 6, 46, 36}, 3, 1, DDBLT_KEYSRC | DDBLT_DDFX, DDBLTFX_MIRRORLEFTRIGHT},
};

class OverlappingBlits : public DirectDrawTest, public ::testing::WithParamInterface<OverlapCase> {};

TEST_P(OverlappingBlits, ReadTheSourceAsItWas) {
    const OverlapCase& c = GetParam();
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* surface = MakeSurface(dd, 50, 40);
    for (bool baseline : {false, true}) {
        SCOPED_TRACE(baseline ? "baseline blitter" : "best blitter");
        platform::ddraw::UseBaselineBlitter(baseline);
        std::mt19937 random(5);
        FillRandom(surface, random, 0x07E0, 25);
        SetKey(surface, 0x07E0, 0x07E0);
        Expectation e{c.src, c.destX, c.destY};
        e.keyed = (c.flags & DDBLT_KEYSRC) != 0;
        e.leftRight = (c.ddfx & DDBLTFX_MIRRORLEFTRIGHT) != 0;
        e.upDown = (c.ddfx & DDBLTFX_MIRRORUPDOWN) != 0;
        e.low = e.high = 0x07E0;
        const auto before = Snapshot(surface);
        const auto expected = ExpectedAfter(before, 50, before, 50, e);

        RECT src = c.src;
        RECT dest{c.destX, c.destY, c.destX + (src.right - src.left), c.destY + (src.bottom - src.top)};
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwDDFX = c.ddfx;
        ASSERT_EQ(surface->Blt(&dest, surface, &src, c.flags, &fx), DD_OK);
        EXPECT_EQ(Snapshot(surface), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OverlappingBlits, ::testing::ValuesIn(kOverlapCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DirectDrawTest, BlitArgumentsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 16, 16);
    IDirectDrawSurface* dest = MakeSurface(dd, 16, 16);
    std::mt19937 random(11);
    FillRandom(source, random);
    const auto before = Snapshot(dest);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx - 1;
    fx.dwDDFX = DDBLTFX_MIRRORUPDOWN;
    fx.dwFillColor = 0xFFFF;

    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, &fx), DDERR_INVALIDPARAMS) << "DDBLTFX of 99 bytes";
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS) << "no source";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
    EXPECT_EQ(dest->BltFast(0, 0, nullptr, nullptr, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(Snapshot(dest), before);

    // Without DDBLT_DDFX or DDBLT_COLORFILL the effects record is not consulted.
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));

    // Removing the key makes keyed blits refuse again.
    SetKey(source, 1, 1);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
}

}  // namespace
