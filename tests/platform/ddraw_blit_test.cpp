// Blit semantics of the software DirectDraw: copies, source colour keys, mirrors, stretches,
// colour fills, rectangle checks and copies within one surface.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;
using platform::PixelFormat;

constexpr DWORD kLR = DDBLTFX_MIRRORLEFTRIGHT;
constexpr DWORD kUD = DDBLTFX_MIRRORUPDOWN;

// What one blit should do, written pixel by pixel from its definition: source rectangle s onto
// destination rectangle d, scaled by nearest neighbour (rounding down) when their sizes differ.
std::vector<std::uint16_t> ExpectedAfter(const std::vector<std::uint16_t>& source, int sourceWidth,
                                         std::vector<std::uint16_t> dest, int destWidth, RECT s, RECT d, bool keyed,
                                         DWORD ddfx, std::uint16_t low, std::uint16_t high) {
    const int sw = s.right - s.left, sh = s.bottom - s.top, dw = d.right - d.left, dh = d.bottom - d.top;
    for (int j = 0; j < dh; ++j) {
        for (int i = 0; i < dw; ++i) {
            const int u = (ddfx & kLR) ? dw - 1 - i : i;
            const int v = (ddfx & kUD) ? dh - 1 - j : j;
            const std::uint16_t p = source[(s.top + v * sh / dh) * sourceWidth + s.left + u * sw / dw];
            if (!(keyed && p >= low && p <= high)) dest[(d.top + j) * destWidth + d.left + i] = p;
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
    LONG destWidth = 0, destHeight = 0;  // Blt's destination size; 0: the source's
    DWORD keyFlags = DDCKEY_SRCBLT | DDCKEY_COLORSPACE;
};

void PrintTo(const BlitCase& c, std::ostream* os) { *os << c.name; }

constexpr DWORD kKeyedMirror = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX;

const BlitCase kBlitCases[] = {
    {"BltPlain", Method::Blt, DDBLT_WAIT, 0, {5, 7, 69, 71}, 10, 3, 0x07E0, 0x07E0},
    {"BltKeyed", Method::Blt, DDBLT_WAIT | DDBLT_KEYSRC, 0, {0, 0, 100, 80}, 20, 10, 0x07E0, 0x07E0},
    {"BltFastKeyed", Method::BltFast, DDBLTFAST_SRCCOLORKEY, 0, {3, 2, 67, 66}, 0, 0, 0x03E0, 0x03E0},
    {"MirrorLeftRight", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR, {1, 2, 100, 62}, 7, 9, 0, 0},
    {"MirrorUpDown", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kUD, {1, 2, 65, 66}, 7, 9, 0, 0},
    {"MirrorBoth", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR | kUD, {1, 2, 65, 66}, 56, 26, 0, 0},
    {"KeyedMirrorLeftRight", Method::Blt, kKeyedMirror, kLR, {0, 0, 100, 80}, 0, 0, 0x07E0, 0x07E0},
    {"KeyedMirrorBoth", Method::Blt, kKeyedMirror, kLR | kUD, {49, 0, 64, 15}, 105, 0, 0x07E0, 0x07E0},
    {"KeyRangeMirrored", Method::Blt, kKeyedMirror, kLR, {0, 0, 99, 80}, 1, 0, 0x1000, 0x3FFF},
    {"KeyRangeBltFast", Method::BltFast, DDBLTFAST_SRCCOLORKEY, 0, {0, 0, 97, 80}, 0, 0, 0xFFF0, 0xFFFF},
    // Without DDCKEY_COLORSPACE a range collapses to its low value.
    {"RangeNoColorSpace", Method::Blt, DDBLT_KEYSRC, 0, {0, 0, 100, 80}, 0, 0, 0x1000, 0x3FFF, 0, 0, DDCKEY_SRCBLT},
    {"StretchKeyedMirrored", Method::Blt, kKeyedMirror, kLR | kUD, {3, 5, 40, 30}, 10, 4, 0x07E0, 0x07E0, 103, 61},
    {"Shrink", Method::Blt, DDBLT_WAIT, 0, {0, 0, 100, 80}, 1, 2, 0, 0, 37, 23},
    // Widths around the vector width exercise the row tails.
    {"Width17Keyed", Method::Blt, DDBLT_KEYSRC, 0, {4, 4, 21, 44}, 3, 3, 0x07E0, 0x07E0},
    {"Width21KeyedMirror", Method::Blt, kKeyedMirror, kLR, {4, 4, 25, 44}, 3, 3, 0x07E0, 0x07E0},
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
        SetKey(source, c.keyLow, c.keyHigh, c.keyFlags);
        const bool keyed = (c.flags & (c.method == Method::Blt ? DDBLT_KEYSRC : DDBLTFAST_SRCCOLORKEY)) != 0;
        const std::uint16_t keyHigh = (c.keyFlags & DDCKEY_COLORSPACE) != 0 ? c.keyHigh : c.keyLow;
        RECT src = c.src;
        RECT destRect{c.destX, c.destY, c.destX + (c.destWidth != 0 ? c.destWidth : src.right - src.left),
                      c.destY + (c.destHeight != 0 ? c.destHeight : src.bottom - src.top)};
        const auto expected = ExpectedAfter(Snapshot(source), 100, Snapshot(dest), 120, c.src, destRect, keyed, c.ddfx,
                                            c.keyLow, keyHigh);
        if (c.method == Method::Blt) {
            DDBLTFX fx = Fx(c.ddfx);
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

// A fill writes the raw pixel value into the rectangle and nothing else, in either format.
TEST_F(DirectDrawTest, ColorFillWritesTheRawPixelValueInBothFormats) {
    for (PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        IDirectDraw* dd = MakeDirectDraw(format);
        IDirectDrawSurface* surface = MakeSurface(dd, 128, 128, DDSCAPS_VIDEOMEMORY);
        const std::uint16_t green = format == PixelFormat::Rgb565 ? 0x07E0 : 0x03E0;
        for (bool baseline : {false, true}) {
            platform::ddraw::UseBaselineBlitter(baseline);
            std::mt19937 random(7);
            FillRandom(surface, random);
            auto expected = Snapshot(surface);
            for (int y = 20; y < 40; ++y)
                for (int x = 3; x < 128; ++x) expected[y * 128 + x] = green;
            RECT rect{3, 20, 128, 40};
            RECT ignored{-5, -5, 1000, 1000};  // a fill passes a source rectangle that plays no part
            DDBLTFX fx = Fx(0, green);
            ASSERT_EQ(surface->Blt(&rect, nullptr, &ignored, DDBLT_WAIT | DDBLT_COLORFILL, &fx), DD_OK);
            EXPECT_EQ(Snapshot(surface), expected) << "baseline " << baseline;
            Fill(surface, 0x1234);  // no destination rectangle: the whole surface
            EXPECT_EQ(Snapshot(surface), std::vector<std::uint16_t>(128 * 128, 0x1234));
        }
    }
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

const RectCase kRectCases[] = {
    {"DestOnRightBottomEdge", Method::Blt, {16, 12, 80, 60}, {0, 0, 64, 48}, 0, DD_OK},
    {"DestOnePastRight", Method::Blt, {17, 12, 81, 60}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"DestLeftNegative", Method::Blt, {-1, 0, 63, 48}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"SrcOnePastRight", Method::Blt, {0, 0, 64, 48}, {1, 0, 65, 48}, 0, DDERR_INVALIDRECT},
    {"SrcOnePastBottomMirrored", Method::Blt, {0, 0, 64, 48}, {0, 1, 64, 49}, DDBLT_DDFX, DDERR_INVALIDRECT},
    {"FillOnEdge", Method::Blt, {0, 0, 80, 60}, {0, 0, 0, 0}, DDBLT_COLORFILL, DD_OK},
    {"FillPastRight", Method::Blt, {0, 0, 81, 60}, {0, 0, 0, 0}, DDBLT_COLORFILL, DDERR_INVALIDRECT},
    {"FastOnRightBottomEdge", Method::BltFast, {16, 12, 0, 0}, {0, 0, 64, 48}, DDBLTFAST_SRCCOLORKEY, DD_OK},
    {"FastOnePastRight", Method::BltFast, {17, 0, 0, 0}, {0, 0, 64, 48}, 0, DDERR_INVALIDRECT},
    {"FastHugeX", Method::BltFast, {-1, 0, 0, 0}, {0, 0, 8, 8}, 0, DDERR_INVALIDRECT},
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
    DDBLTFX fx = Fx(kLR, 0xBEEF);
    const HRESULT result =
        c.method == Method::Blt
            ? dest->Blt(&destRect, (c.flags & DDBLT_COLORFILL) ? nullptr : source, &src, c.flags, &fx)
            : dest->BltFast(static_cast<DWORD>(c.dest.left), static_cast<DWORD>(c.dest.top), source, &src, c.flags);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(Snapshot(dest) == before, c.expected != DD_OK);
}

INSTANTIATE_TEST_SUITE_P(Table, RectangleChecks, ::testing::ValuesIn(kRectCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Source and destination in one surface, overlapping: the result is as if the source had been
// read completely before anything was written.
TEST_F(DirectDrawTest, OverlappingBlitsReadTheSourceAsItWas) {
    const struct {
        RECT src;
        LONG destX, destY;
        DWORD flags, ddfx;
    } cases[] = {
        {{0, 0, 40, 30}, 3, 2, 0, 0},
        {{1, 5, 41, 25}, 0, 5, 0, 0},
        {{0, 0, 40, 30}, 0, 4, DDBLT_KEYSRC, 0},
        {{6, 6, 46, 36}, 3, 1, DDBLT_KEYSRC | DDBLT_DDFX, kLR},
    };
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* surface = MakeSurface(dd, 50, 40);
    SetKey(surface, 0x07E0, 0x07E0);
    for (bool baseline : {false, true}) {
        platform::ddraw::UseBaselineBlitter(baseline);
        for (const auto& c : cases) {
            std::mt19937 random(5);
            FillRandom(surface, random, 0x07E0, 25);
            const auto before = Snapshot(surface);
            RECT src = c.src;
            RECT dest{c.destX, c.destY, c.destX + (src.right - src.left), c.destY + (src.bottom - src.top)};
            DDBLTFX fx = Fx(c.ddfx);
            ASSERT_EQ(surface->Blt(&dest, surface, &src, c.flags, &fx), DD_OK);
            EXPECT_EQ(Snapshot(surface), ExpectedAfter(before, 50, before, 50, c.src, dest,
                                                       (c.flags & DDBLT_KEYSRC) != 0, c.ddfx, 0x07E0, 0x07E0))
                << "baseline " << baseline << " dest " << c.destX << "," << c.destY;
        }
    }
}

TEST_F(DirectDrawTest, BlitArgumentsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 16, 16);
    IDirectDrawSurface* dest = MakeSurface(dd, 16, 16);
    std::mt19937 random(11);
    FillRandom(source, random);
    const auto before = Snapshot(dest);
    DDBLTFX fx = Fx(kUD, 0xFFFF);
    fx.dwSize = sizeof fx - 1;

    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, &fx), DDERR_INVALIDPARAMS) << "DDBLTFX of 99 bytes";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS) << "no source";
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_INVALIDPARAMS) << "no key";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_INVALIDPARAMS) << "no key";
    EXPECT_EQ(dest->BltFast(0, 0, nullptr, nullptr, 0), DDERR_INVALIDPARAMS);
    DDBLTFX fill = Fx(0, 0xFFFF);
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_COLORFILL, &fill), DDERR_INVALIDPARAMS) << "fill with a source";
    EXPECT_EQ(Snapshot(dest), before);

    // Null rectangles mean whole surfaces; without DDBLT_DDFX the effects record is not consulted.
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));

    // Removing the key makes keyed blits refuse again.
    SetKey(source, 1, 1);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_INVALIDPARAMS);
}

}  // namespace
