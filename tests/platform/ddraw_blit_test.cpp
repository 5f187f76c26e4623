// Software DirectDraw blits: copies, source keys, mirrors, stretches, fills, self-copies, argument checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

constexpr DWORD kLR = DDBLTFX_MIRRORLEFTRIGHT, kUD = DDBLTFX_MIRRORUPDOWN, kFastKey = DDBLTFAST_SRCCOLORKEY;

// Random pixels from `seed`, keyPercent of them set to `key`.
void FillRandom(IDirectDrawSurface* surface, unsigned seed, std::uint16_t key = 0, int keyPercent = 0) {
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(surface);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pixel(0, 0xFFFF), percent(0, 99);
    for (int i = 0; i < view.height * view.pitchPixels; ++i)
        view.pixels[i] = percent(random) < keyPercent ? key : static_cast<std::uint16_t>(pixel(random));
}

// One blit pixel by pixel from its definition: source rectangle s onto destination rectangle d of a 120-wide surface,
// scaled by nearest neighbour (rounding down) when their sizes differ.
std::vector<std::uint16_t> ExpectedAfter(const std::vector<std::uint16_t>& source, int sourceWidth,
                                         std::vector<std::uint16_t> dest, RECT s, RECT d, bool keyed, DWORD ddfx,
                                         std::uint16_t low, std::uint16_t high) {
    const int sw = s.right - s.left, sh = s.bottom - s.top, dw = d.right - d.left, dh = d.bottom - d.top;
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            const int u = (ddfx & kLR) ? dw - 1 - i : i;
            const int v = (ddfx & kUD) ? dh - 1 - j : j;
            const std::uint16_t p = source[(s.top + v * sh / dh) * sourceWidth + s.left + u * sw / dw];
            if (!(keyed && p >= low && p <= high)) dest[(d.top + j) * 120 + d.left + i] = p;
        }
    return dest;
}

// A 100x80 source onto a 120x90 destination; BltSelf is a Blt within the destination.
enum class Method { Blt, BltFast, BltSelf };
struct BlitCase {
    const char* name;
    Method method;
    DWORD flags, ddfx;
    RECT src, dest;                 // BltFast: at (dest.left, dest.top), dest the size of src
    std::uint16_t keyLow, keyHigh;  // a fill writes keyLow
    HRESULT result = DD_OK;         // a refused blit draws nothing
    DWORD keyFlags = DDCKEY_SRCBLT | DDCKEY_COLORSPACE;
};

constexpr DWORD kKeyedMirror = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX, kFill = DDBLT_WAIT | DDBLT_COLORFILL;
constexpr std::uint16_t kG = 0x07E0;  // green in 5-6-5
constexpr HRESULT kBadRect = DDERR_INVALIDRECT;

const BlitCase kBlitCases[] = {
    {"BltFastPlain", Method::BltFast, DDBLTFAST_WAIT, 0, {1, 3, 98, 77}, {23, 13, 120, 87}, kG, kG},
    {"MirrorLeftRight", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR, {1, 2, 100, 62}, {7, 9, 106, 69}, 0, 0},
    {"MirrorBoth", Method::Blt, DDBLT_WAIT | DDBLT_DDFX, kLR | kUD, {1, 2, 65, 66}, {56, 26, 120, 90}, 0, 0},
    {"KeyedMirrorBoth", Method::Blt, kKeyedMirror, kLR | kUD, {49, 0, 64, 15}, {105, 0, 120, 15}, kG, kG},
    {"KeyRangeMirrored", Method::Blt, kKeyedMirror, kLR, {0, 0, 99, 80}, {1, 0, 100, 80}, 0x1000, 0x3FFF},
    {"KeyRangeBltFast", Method::BltFast, kFastKey, 0, {0, 0, 97, 80}, {0, 0, 97, 80}, 0xFFF0, 0xFFFF},
    // Without DDCKEY_COLORSPACE a range collapses to its low value.
    {"NoColorSpace", Method::Blt, DDBLT_KEYSRC, 0, {0, 0, 99, 80}, {1, 0, 100, 80}, 0x1000, 0x3FFF, 0, DDCKEY_SRCBLT},
    {"StretchKeyedMirrored", Method::Blt, kKeyedMirror, kLR | kUD, {3, 5, 40, 30}, {10, 4, 113, 65}, kG, kG},
    {"Shrink", Method::Blt, DDBLT_WAIT, 0, {0, 0, 100, 80}, {1, 2, 38, 25}, 0, 0},
    {"StretchWidthOnly", Method::Blt, DDBLT_WAIT, 0, {0, 0, 50, 40}, {3, 2, 113, 42}, 0, 0},
    {"StretchHeightOnly", Method::Blt, DDBLT_WAIT, 0, {0, 0, 50, 40}, {3, 2, 53, 87}, 0, 0},
    // Widths below and around the vector widths exercise the row tails.
    {"Width21KeyedMirror", Method::Blt, kKeyedMirror, kLR, {4, 4, 25, 44}, {3, 3, 24, 43}, kG, kG},
    // A fill writes the raw value into its rectangle only; the source rectangle plays no part.
    {"FillOnRightBottomEdge", Method::Blt, kFill, 0, {-5, -5, 1000, 1000}, {3, 20, 120, 90}, kG, kG},
    {"FillOnePastRight", Method::Blt, kFill, 0, {}, {0, 0, 121, 90}, kG, kG, kBadRect},
    // Overlapping copies within one surface read the source as it was before any write.
    {"SelfDownRight", Method::BltSelf, 0, 0, {0, 0, 40, 30}, {3, 2, 43, 32}, kG, kG},
    {"SelfLeft", Method::BltSelf, 0, 0, {1, 5, 41, 25}, {0, 5, 40, 25}, kG, kG},
    {"SelfKeyedDown", Method::BltSelf, DDBLT_KEYSRC, 0, {0, 0, 40, 30}, {0, 4, 40, 34}, kG, kG},
    {"SelfStretch", Method::BltSelf, DDBLT_KEYSRC, 0, {0, 0, 40, 30}, {5, 3, 65, 48}, kG, kG},
    {"DestOnRightBottomEdge", Method::Blt, 0, 0, {0, 0, 64, 48}, {56, 42, 120, 90}, 0, 0},
    {"DestOnePastRight", Method::Blt, 0, 0, {0, 0, 64, 48}, {57, 42, 121, 90}, 0, 0, kBadRect},
    {"DestOnePastBottom", Method::Blt, 0, 0, {0, 0, 64, 48}, {56, 43, 120, 91}, 0, 0, kBadRect},
    {"DestLeftNegative", Method::Blt, 0, 0, {0, 0, 64, 48}, {-1, 0, 63, 48}, 0, 0, kBadRect},
    {"SrcOnePastRight", Method::Blt, 0, 0, {37, 0, 101, 48}, {0, 0, 64, 48}, 0, 0, kBadRect},
    {"SrcOnePastBottomMirrored", Method::Blt, DDBLT_DDFX, kLR, {0, 33, 64, 81}, {0, 0, 64, 48}, 0, 0, kBadRect},
    {"FastOnRightBottomEdge", Method::BltFast, kFastKey, 0, {0, 0, 64, 48}, {56, 42, 120, 90}, kG, kG},
    {"FastOnePastRight", Method::BltFast, 0, 0, {0, 0, 64, 48}, {57, 0, 121, 48}, 0, 0, kBadRect},
    {"FastOnePastBottom", Method::BltFast, 0, 0, {0, 0, 64, 48}, {0, 43, 64, 91}, 0, 0, kBadRect},
    {"FastHugeX", Method::BltFast, 0, 0, {0, 0, 8, 8}, {-1, 0, 7, 8}, 0, 0, kBadRect},
    {"FastSrcInverted", Method::BltFast, 0, 0, {8, 8, 0, 0}, {0, 0, 8, 8}, 0, 0, kBadRect},
};

class BlitSemantics : public DirectDrawTest, public ::testing::WithParamInterface<BlitCase> {};

TEST_P(BlitSemantics, MatchesPixelByPixelDefinition) {
    const BlitCase& c = GetParam();
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* dest = MakeSurface(dd, 120, 90);
    IDirectDrawSurface* source = c.method == Method::BltSelf ? dest : MakeSurface(dd, 100, 80);
    const bool fill = (c.flags & DDBLT_COLORFILL) != 0;
    // Both builds of the pixel loops: the baseline one and, where the processor has it, AVX2.
    for (bool baseline : {false, true}) {
        SCOPED_TRACE(baseline ? "baseline blitter" : "best blitter");
        platform::ddraw::UseBaselineBlitter(baseline);
        FillRandom(dest, 1234);
        FillRandom(source, 4321, c.keyLow, 30);
        SetKey(source, c.keyLow, c.keyHigh, c.keyFlags);
        const bool keyed = (c.flags & (c.method != Method::BltFast ? DDBLT_KEYSRC : DDBLTFAST_SRCCOLORKEY)) != 0;
        const std::uint16_t keyHigh = (c.keyFlags & DDCKEY_COLORSPACE) != 0 ? c.keyHigh : c.keyLow;
        RECT src = c.src, to = c.dest;
        // A fill is a copy from a surface of its value.
        const auto from = fill ? std::vector<std::uint16_t>(120 * 90, c.keyLow) : Snapshot(source);
        const auto before = Snapshot(dest);
        const auto expected = c.result != DD_OK ? before
                                                : ExpectedAfter(from, fill || source == dest ? 120 : 100, before,
                                                                fill ? to : src, to, keyed, c.ddfx, c.keyLow, keyHigh);
        DDBLTFX fx = Fx(c.ddfx, c.keyLow);
        EXPECT_EQ(c.method != Method::BltFast ? dest->Blt(&to, fill ? nullptr : source, &src, c.flags, &fx)
                                              : dest->BltFast(to.left, to.top, source, &src, c.flags),
                  c.result);
        EXPECT_EQ(Snapshot(dest), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BlitSemantics, ::testing::ValuesIn(kBlitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DirectDrawTest, BlitArgumentsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* source = MakeSurface(dd, 16, 16);
    IDirectDrawSurface* dest = MakeSurface(dd, 16, 16);
    FillRandom(source, 11);
    const auto before = Snapshot(dest);
    DDBLTFX fx = Fx(kUD, 0xFFFF), fill = Fx(0, 0xFFFF), other = Fx(kLR | 0x8);
    fx.dwSize = sizeof fx - 1;
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, &fx), DDERR_INVALIDPARAMS) << "DDBLTFX one byte short";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_DDFX, &other), DDERR_UNSUPPORTED) << "an effect beyond mirrors";
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS) << "no source";
    EXPECT_EQ(dest->BltFast(0, 0, nullptr, nullptr, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_INVALIDPARAMS) << "no key";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_INVALIDPARAMS) << "no key";
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_COLORFILL, &fill), DDERR_INVALIDPARAMS) << "fill with a source";
    EXPECT_EQ(Snapshot(dest), before);
    // Null rectangles mean whole surfaces; without DDBLT_DDFX the effects record is not consulted.
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));
    SetKey(source, 1, 1);  // and removing it makes keyed blits refuse again
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    ASSERT_EQ(std::pair(source->SetColorKey(DDCKEY_COLORSPACE, nullptr), source->SetColorKey(DDCKEY_SRCBLT, nullptr)),
              std::pair(DDERR_INVALIDPARAMS, DD_OK));  // a key that is not a source blit key is refused
    EXPECT_EQ(dest->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_INVALIDPARAMS);
}

}  // namespace
