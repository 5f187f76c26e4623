// The check's judgement alone: right frames, spoiled one way each, are charged to a step of that frame, one of an
// earlier frame whose pixels remain, or a stray write; the counter must be where and as it is drawn.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "verify/coverage.h"
#include "verify/frame_verifier.h"

namespace {

using diagnostics::ItemState;
using verify::Pixel;

constexpr Pixel kKey = 0x07E0, kRed = 0xF800;

// The counter's glyphs over what is underneath: red, a blend of red and the picture, or the picture.
Pixel Glyph(int x, int y, Pixel under) {
    switch ((x * 7 + y * 3) % 5) {
        case 0: return kRed;
        case 1:
            return static_cast<Pixel>((((under >> 11) + 31) / 2) << 11 | (((under >> 5) & 0x3F) / 2) << 5 |
                                      (under & 0x1F) / 2);
        default: return under;
    }
}

struct Spoil {
    const char* name;
    std::vector<std::string> expected;  // --expect items
    ItemState strays, counter, tileCopy, probe;
    bool noGlyphs = false;
    // Spoils frame `n` as drawn (its counter included); `counter` may be moved or retold.
    std::function<void(int n, verify::Image& got, verify::CounterDrawn& counter)> spoil = [](auto...) {};
};

class VerifyJudgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("vh-judge-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);  // where images of a difference are written
        for (std::size_t i = 0; i < screen_.size(); ++i) screen_[i] = static_cast<Pixel>(i * 7 + 1) & 0x7BEF;
        for (std::size_t i = 0; i < strip_.size(); ++i) strip_[i] = static_cast<Pixel>(i * 13 + 2) & 0x7BEF;
        for (std::size_t i = 0; i < gnoll_.size(); ++i) gnoll_[i] = i % 3 == 0 ? kKey : static_cast<Pixel>(i & 0x7BEF);
        for (std::size_t i = 0; i < fireball_.size(); ++i) fireball_[i] = i % 5 == 0 ? kKey : static_cast<Pixel>(i + 9);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

    // 40 frames: the tile phase, then a walk with fireballs, the counter in every scene frame.
    diagnostics::VerdictRecord Run(const Spoil& row) {
        const verify::Pictures pictures{
            verify::ConstImage(screen_.data(), 640, 480, 640), verify::ConstImage(gnoll_.data(), 500, 360, 500),
            verify::ConstImage(fireball_.data(), 384, 64, 384), verify::ConstImage(strip_.data(), 640, 128, 640)};
        verify::Expectations expectations;
        expectations.items.insert(row.expected.begin(), row.expected.end());
        verify::FrameVerifier verifier;
        verifier.StartRun(verify::ScreenFormat(0xF800, 0x07E0, 0x001F), 100, true, expectations);
        verify::FrameModel truth;
        truth.Reset();
        std::vector<Pixel> buffers[2] = {std::vector<Pixel>(640 * 480), std::vector<Pixel>(640 * 480)};
        verify::SceneValues values;
        values.tileCount = 100;
        for (int n = 1; n <= 40; ++n) {
            const int b = n & 1;
            values.tilePhase = n <= 2;
            values.gnollX = 20 + n * 9, values.gnollY = 350, values.gnollFrame = n % 15;
            values.fireballActive = n % 6 < 3, values.fireballX = 100 + n * 4, values.fireballY = 300;
            values.fireballFrame = n % 6;
            // The real buffer is drawn onto what it held: the truth re-draws only what changes.
            truth.Redraw(b, values, kKey, pictures);
            truth.SetDefined(b);
            const verify::Image belief = truth.Belief(b);
            verify::Image got{buffers[b].data(), 640, 480, 640};
            for (int i = 0; i < truth.StepCount(); ++i) {
                const verify::Rect& r = truth.Steps()[i].rect;
                for (int y = r.top; y < r.bottom; ++y)
                    std::copy_n(belief.Row(y) + r.left, r.Width(), got.Row(y) + r.left);
            }
            verify::CounterDrawn counter{"66 100", 300, 460, verify::Rect{300, 460, 340, 476}};
            if (!values.tilePhase && !row.noGlyphs)
                for (int y = 460; y < 476; ++y)
                    for (int x = 300; x < 340; ++x) got.Row(y)[x] = Glyph(x, y, got.Row(y)[x]);
            row.spoil(n, got, counter);
            if (!values.tilePhase) {
                // The truth holds the counter as drawn, as the buffer does.
                for (int y = 460; y < 476; ++y) std::copy_n(got.Row(y) + 300, 40, belief.Row(y) + 300);
                truth.Overwritten(b, counter.box);
            }
            verifier.CompareFrame(n, values, pictures, verify::ConstImage(got), values.tilePhase ? nullptr : &counter);
            verifier.JudgeFrame(n);
        }
        diagnostics::VerdictRecord verdict;
        verifier.Fill(verdict);
        return verdict;
    }

    std::vector<Pixel> screen_ = std::vector<Pixel>(640 * 480), strip_ = std::vector<Pixel>(640 * 128);
    std::vector<Pixel> gnoll_ = std::vector<Pixel>(500 * 360), fireball_ = std::vector<Pixel>(384 * 64);
    std::filesystem::path folder_, previous_;
};

void Poke(verify::Image& got, int left, int top, int size, Pixel value) {
    for (int y = top; y < top + size; ++y) std::fill_n(got.Row(y) + left, size, value);
}

TEST_F(VerifyJudgeTest, DifferencesAreChargedToWhatMadeThem) {
    const ItemState exact = ItemState::Exact, differs = ItemState::Differs, expected = ItemState::Expected;
    // clang-format off
    const Spoil rows[] = {
        {"nothing", {}, exact, exact, exact, exact},
        // A stray write is never excused by an earlier, expected difference.
        {"a stray after an expected probe difference", {"colour-key-probe"}, differs, exact, exact, expected, false,
         [](int n, verify::Image& got, verify::CounterDrawn&) {
             if (n == 5) Poke(got, 300, 40, 1, 0x1234);
             if (n == 20) Poke(got, 10, 10, 10, 0xFFFF);
         }},
        // A wrong tile left on screen stays the tile copy's, in every later frame of its buffer.
        {"a tile copy's wrong pixels left over", {"tile-copy"}, exact, exact, expected, exact, false,
         [](int n, verify::Image& got, verify::CounterDrawn&) {
             if (n == 1) Poke(got, 10, 10, 4, 0xFFFF);
         }},
        {"the counter in blue", {}, exact, differs, exact, exact, false,
         [](int n, verify::Image& got, verify::CounterDrawn&) {
             for (int y = 460; y < 476 && n > 2; ++y)
                 for (int x = 300; x < 340; ++x) got.Row(y)[x] = got.Row(y)[x] == kRed ? Pixel{0x001F} : got.Row(y)[x];
         }},
        {"the counter elsewhere", {}, exact, differs, exact, exact, false,
         [](int, verify::Image&, verify::CounterDrawn& c) { c.x = 301; }},
        {"the counter with the wrong tile count", {}, exact, differs, exact, exact, false,
         [](int, verify::Image&, verify::CounterDrawn& c) { c.text = "66 99"; }},
        {"the counter not drawn", {}, exact, differs, exact, exact, true},
    };
    // clang-format on
    for (const Spoil& row : rows) {
        const diagnostics::VerdictRecord v = Run(row);
        EXPECT_EQ(std::tuple(v.strays.state, v.counter.state, v.kinds[int(diagnostics::DrawKind::TileCopy)].state,
                             v.kinds[int(diagnostics::DrawKind::ColourKeyProbe)].state, v.counter.compared),
                  std::tuple(row.strays, row.counter, row.tileCopy, row.probe, 38u))
            << row.name << ": " << v.line;
    }
}

// The screen's verdict: every frame due on each path read, but for 1%; no window is "primary only"; a difference wins.
TEST(VerifyScreenReadsTest, EveryFrameDueIsReadOrCounted) {
    const struct {
        const char* name;
        bool lockstep, window;
        int shown, windowReads, windowNotRead;  // the primary surface is read every frame
        bool windowDiffers;
        ItemState state;
        const char* says;
    } rows[] = {
        {"every frame read", true, true, 200, 200, 0, false, ItemState::Exact, "200 in the window"},
        {"two covered: 1%", true, true, 200, 198, 2, false, ItemState::Exact, "2 not read there (covered)"},
        {"three covered", true, true, 200, 197, 3, false, ItemState::NotCovered, "3 of 200 frames (covered)"},
        {"one read covers nothing", true, true, 200, 1, 0, false, ItemState::NotCovered,
         "199 not read there (shown, but never read)"},
        {"outside lockstep, reads spaced", false, true, 200, 12, 0, false, ItemState::Exact, "12 in the window"},
        {"outside lockstep, half covered", false, true, 200, 6, 6, false, ItemState::NotCovered, "6 of 12 frames"},
        {"no window", true, false, 200, 0, 0, false, ItemState::PrimaryOnly, "primary only (no window: offscreen)"},
        {"a difference while covered", true, true, 200, 100, 100, true, ItemState::Differs, "1 differ"},
    };
    for (const auto& row : rows) {
        verify::Coverage coverage;
        coverage.Start(100, row.lockstep, verify::Expectations{});
        coverage.ExpectWindow(row.window, "offscreen");
        diagnostics::Finding finding;
        finding.frame = 7;
        for (int n = 0; n < row.shown; ++n) {
            coverage.ScreenShown();
            coverage.ScreenCompared(false, nullptr);
        }
        for (int n = 0; n < row.windowReads; ++n)
            coverage.ScreenCompared(true, row.windowDiffers && n == 0 ? &finding : nullptr);
        for (int n = 0; n < row.windowNotRead; ++n) coverage.ScreenNotRead(true, "covered");
        diagnostics::VerdictRecord v;
        coverage.Fill(v);
        EXPECT_EQ(v.screen.state, row.state) << row.name << ": " << v.line;
        EXPECT_NE(v.line.find(row.says), std::string::npos) << row.name << ": " << v.line;
    }
}

}  // namespace
