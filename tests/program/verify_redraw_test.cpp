// The frame check's re-drawing alone, each expected value worked out by hand from the blit definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "verify/bitmap_decoder.h"
#include "verify/frame_model.h"
#include "verify/redraw.h"

namespace {

using verify::Pixel;
using Rows = std::vector<std::vector<Pixel>>;

// A 4x3 source, pixel (x, y) = 16y + x + 1, copied into a cleared 6x4 destination; nothing is read past the source.
TEST(VerifyRedrawTest, CopiesAreCutAtEachEdgeAndMirroredOnesLoseTheOppositeSide) {
    std::vector<Pixel> source(12);
    for (int i = 0; i < 12; ++i) source[i] = static_cast<Pixel>(16 * (i / 4) + i % 4 + 1);
    const Pixel key = 18;
    const struct {
        const char* name;
        int x, y;
        unsigned mirror;
        bool keyed;
        Rows expected;
        verify::Rect from = {0, 0, 4, 3};
    } rows[] = {
        // clang-format off
        {"left edge", -1, 0, verify::kNoMirror, false,
         {{2, 3, 4, 0, 0, 0}, {18, 19, 20, 0, 0, 0}, {34, 35, 36, 0, 0, 0}, {}}},
        {"left edge mirrored", -1, 0, verify::kMirrorLeftRight, false,
         {{3, 2, 1, 0, 0, 0}, {19, 18, 17, 0, 0, 0}, {35, 34, 33, 0, 0, 0}, {}}},
        {"right edge", 4, 0, verify::kNoMirror, false,
         {{0, 0, 0, 0, 1, 2}, {0, 0, 0, 0, 17, 18}, {0, 0, 0, 0, 33, 34}, {}}},
        {"right edge mirrored", 4, 0, verify::kMirrorLeftRight, false,
         {{0, 0, 0, 0, 4, 3}, {0, 0, 0, 0, 20, 19}, {0, 0, 0, 0, 36, 35}, {}}},
        {"top edge mirrored up-down", 0, -1, verify::kMirrorUpDown, false,
         {{17, 18, 19, 20, 0, 0}, {1, 2, 3, 4, 0, 0}, {}, {}}},
        {"bottom edge mirrored up-down", 0, 2, verify::kMirrorUpDown, false,
         {{}, {}, {33, 34, 35, 36, 0, 0}, {17, 18, 19, 20, 0, 0}}},
        {"keyed", 0, 0, verify::kNoMirror, true,
         {{1, 2, 3, 4, 0, 0}, {17, 0, 19, 20, 0, 0}, {33, 34, 35, 36, 0, 0}, {}}},
        {"corner, keyed, mirrored both ways", 3, 2, verify::kMirrorLeftRight | verify::kMirrorUpDown, true,
         {{}, {}, {0, 0, 0, 36, 35, 34}, {0, 0, 0, 20, 19, 0}}},
        {"rectangle past the source's right and bottom", 0, 0, verify::kNoMirror, false,
         {{19, 20, 0, 0, 0, 0}, {35, 36, 0, 0, 0, 0}, {}, {}}, {2, 1, 6, 5}},
        {"mirrored rectangle before the source's left", 0, 0, verify::kMirrorLeftRight, false,
         {{2, 1, 0, 0, 0, 0}, {}, {}, {}}, {-2, 0, 2, 1}},
        // clang-format on
    };
    for (const auto& row : rows) {
        std::vector<Pixel> dest(24, 0);
        verify::Copy(verify::Image{dest.data(), 6, 4, 6}, row.x, row.y, verify::ConstImage(source.data(), 4, 3, 4),
                     row.from, row.keyed ? &key : nullptr, row.mirror, nullptr);
        Rows got;
        for (int y = 0; y < 4; ++y) {
            const std::vector<Pixel> line(dest.begin() + 6 * y, dest.begin() + 6 * y + 6);
            got.push_back(line == std::vector<Pixel>(6, 0) ? std::vector<Pixel>{} : line);
        }
        EXPECT_EQ(got, row.expected) << row.name;
    }
}

// A fireball pair is erased in its buffer two frames later, each box moved inside the screen; the frame between erases
// nothing.
TEST(VerifyRedrawTest, AFireballPairIsErasedTwoFramesLater) {
    const Pixel background = 0x1111, fire = 0x2222, key = 0x07E0;
    std::vector<Pixel> screen(640 * 480, background), strip(640 * 128, background), gnoll(500 * 360, key),
        fireball(384 * 64, fire);
    const verify::Pictures pictures{
        verify::ConstImage(screen.data(), 640, 480, 640), verify::ConstImage(gnoll.data(), 500, 360, 500),
        verify::ConstImage(fireball.data(), 384, 64, 384), verify::ConstImage(strip.data(), 640, 128, 640)};
    const struct {
        int fx, fy;
        std::vector<std::vector<int>> erased;  // where the erase puts the background back
    } rows[] = {{100, 100, {{68, 68, 132, 132}, {508, 68, 572, 132}}},
                {-17, -17, {{0, 0, 64, 64}, {576, 0, 640, 64}}},
                {31, 280, {{0, 248, 64, 312}, {576, 248, 640, 312}}}};
    for (const auto& row : rows) {
        verify::FrameModel model;
        model.Reset();
        verify::SceneValues values;
        values.tilePhase = true;
        model.Redraw(1, values, key, pictures);
        model.Redraw(0, values, key, pictures);
        values.tilePhase = false;
        values.fireballActive = 1, values.fireballX = row.fx, values.fireballY = row.fy;
        model.Redraw(1, values, key, pictures);
        const int inside = std::max(row.fx, 0), below = std::max(row.fy, 0);
        EXPECT_EQ(model.Belief(1).Row(below)[inside], fire) << row.fx;
        values.fireballActive = 0;
        for (int buffer : {0, 1}) {
            model.Redraw(buffer, values, key, pictures);
            std::vector<std::vector<int>> erased;
            for (int i = 0; i < model.StepCount(); ++i) {
                const verify::Step& step = model.Steps()[i];
                if (step.kind == verify::DrawKind::Erase)
                    erased.push_back({step.rect.left, step.rect.top, step.rect.right, step.rect.bottom});
            }
            EXPECT_EQ(erased, buffer == 0 ? std::vector<std::vector<int>>{} : row.erased)
                << row.fx << " buffer " << buffer;
        }
        EXPECT_EQ(model.Belief(1).Row(below)[inside], background) << row.fx;
        EXPECT_EQ(model.Belief(1).Row(below)[639 - inside], background) << row.fx;
    }
}

// The strip put back only where drawn over (walks, fireballs, a counter box, a strip read anew, the background again)
// gives the belief of copying it whole every frame.
TEST(VerifyRedrawTest, RestoringTheStripInPartsGivesTheSameBeliefAsCopyingItWhole) {
    const Pixel key = 0x07E0;
    std::vector<Pixel> screen(640 * 480), strip(640 * 128), gnoll(500 * 360), fireball(384 * 64);
    for (std::size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<Pixel>(i * 7 + 1);
    for (std::size_t i = 0; i < strip.size(); ++i) strip[i] = static_cast<Pixel>(i * 13 + 2);
    for (std::size_t i = 0; i < gnoll.size(); ++i) gnoll[i] = i % 3 == 0 ? key : static_cast<Pixel>(i);
    for (std::size_t i = 0; i < fireball.size(); ++i) fireball[i] = i % 5 == 0 ? key : static_cast<Pixel>(i + 9);
    std::vector<Pixel> reread = strip;
    verify::Pictures pictures{
        verify::ConstImage(screen.data(), 640, 480, 640), verify::ConstImage(gnoll.data(), 500, 360, 500),
        verify::ConstImage(fireball.data(), 384, 64, 384), verify::ConstImage(strip.data(), 640, 128, 640)};
    verify::FrameModel parts, whole;
    parts.Reset();
    whole.Reset();
    verify::SceneValues values;
    const auto both = [&](int frame) {
        const int buffer = frame & 1;
        whole.Overwritten(buffer, verify::Rect{0, 0, 640, 480});
        parts.Redraw(buffer, values, key, pictures);
        whole.Redraw(buffer, values, key, pictures);
        parts.SetDefined(buffer);
        whole.SetDefined(buffer);
        ASSERT_EQ(std::memcmp(parts.Belief(buffer).pixels, whole.Belief(buffer).pixels, 640 * 480 * sizeof(Pixel)), 0)
            << "frame " << frame;
    };
    values.tilePhase = true;
    both(0);
    both(1);
    values.tilePhase = false;
    values.gnollY = 350;
    for (int frame = 2; frame < 70; ++frame) {
        values.gnollDirection = frame < 30 ? 1 : -1;
        values.gnollX += values.gnollDirection * 23;
        values.gnollFrame = frame % 15;
        values.fireballActive = frame % 7 < 4 ? 1 : 0;
        values.fireballX = 40 + frame * 5, values.fireballY = 330 + frame % 9 * 12;
        values.fireballFrame = frame % 6;
        if (frame == 20) {
            // The counter's box taken over from the frame, in the band.
            for (int y = 400; y < 420; ++y) std::fill_n(parts.Belief(frame & 1).Row(y) + 10, 50, Pixel{0xFFFF});
            parts.Overwritten(frame & 1, verify::Rect{10, 400, 60, 420});
        }
        if (frame == 40) {
            std::reverse(reread.begin(), reread.end());
            pictures.strip = verify::ConstImage(reread.data(), 640, 128, 640);
        }
        values.tilePhase = frame >= 60 && frame < 62;  // the background drawn anew over the band
        both(frame);
    }
}

// An 8-bit bottom-up picture with padded rows: each colour keeps the high bits of its components.
TEST(VerifyRedrawTest, BitmapsDecodeWithTheirOwnColourTable) {
    std::vector<std::uint8_t> bytes(40 + 2 * 4 + 2 * 4, 0);
    const std::uint8_t header[] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    bytes[32] = 2;                                                      // two colours
    const std::uint8_t table[] = {0x08, 0x80, 0xFF, 0, 0, 0xFF, 0, 0};  // blue, green, red, reserved
    std::copy(std::begin(table), std::end(table), bytes.begin() + 40);
    const std::uint8_t pixels[] = {1, 0, 0, 0, 0, 1, 0, 0};  // the bottom row first
    std::copy(std::begin(pixels), std::end(pixels), bytes.begin() + 48);
    verify::DecodedBitmap decoded;
    verify::DecodeBitmap(bytes.data(), bytes.size(), verify::ScreenFormat(0xF800, 0x07E0, 0x001F), decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixels, (std::vector<Pixel>{0xFC01, 0x07E0, 0x07E0, 0xFC01}));
    verify::DecodeBitmap(bytes.data(), bytes.size() - 1, verify::ScreenFormat(0xF800, 0x07E0, 0x001F), decoded);
    EXPECT_FALSE(decoded.ok) << "a picture cut short";
}

}  // namespace
