// The four primitives and text under the lost-surface and still-drawing policy; the screen format; the frame-rate line.
#include <functional>
#include <tuple>

#include "display/blit_primitives.h"
#include "display/pixel_format.h"
#include "gdi/gdi_control.h"
#include "tests/program/display_fixture.h"

namespace {

using platform::gdi::GdiCall;

using PrimitivesTest = DisplayFixture;

TEST_F(PrimitivesTest, PolicyForEveryPrimitive) {
    RECT r{0, 0, 64, 64};
    IDirectDrawSurface** s = display_->surfaces;
    const struct {
        const char *name, *op;  // the guarded platform call
        std::function<std::int32_t()> run;
    } primitives[] = {
        {"BltFastRetry", "BltFast",
         [&] { return BltFastRetry(s[BackBuffer], 10, 20, s[Background], &r, DDBLTFAST_WAIT); }},
        {"BltRetry", "Blt", [&] { return BltRetry(s[BackBuffer], 10, 20, s[Background], &r, DDBLT_WAIT, nullptr); }},
        {"FillSurface", "Blt", [&] { return display_->FillSurface(FxSurface, 0x0000FF00); }},
        {"FlipPages", "Flip", [&] { return display_->FlipPages(); }}};
    const struct {
        const char* name;
        std::vector<HRESULT> answers;  // injected in order from the first call
        bool restorationFails;
        int result, calls, restorations;
    } scenarios[] = {
        {"success at once", {}, false, 1, 1, 0},
        {"still drawing twice, then success", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING}, false, 1, 3, 0},
        {"lost, restoration succeeds", {DDERR_SURFACELOST}, false, 0, 1, 1},
        {"lost, restoration fails", {DDERR_SURFACELOST}, true, 0, 1, 1},
        {"another error", {DDERR_INVALIDPARAMS}, false, 0, 1, 0},
        {"still drawing, then another error", {DDERR_WASSTILLDRAWING, DDERR_GENERIC}, false, 0, 2, 0}};
    for (const auto& primitive : primitives) {
        for (const auto& scenario : scenarios) {
            SCOPED_TRACE(std::string(primitive.name) + ": " + scenario.name);
            platform::ddraw::ClearFaults();
            for (std::size_t i = 0; i < scenario.answers.size(); ++i)
                InjectFault(primitive.op, static_cast<int>(i) + 1, scenario.answers[i]);
            if (scenario.restorationFails) InjectFault("Restore", 1, DDERR_GENERIC);
            const auto log = Logged([&] { EXPECT_EQ(primitive.run(), scenario.result); });
            // The guarded call is the first of its kind; a restoration's own blits come after it.
            const auto restore = std::find_if(log.begin(), log.end(), [](const Call& c) { return c.op == "Restore"; });
            EXPECT_EQ(CallsOf({log.begin(), restore}, primitive.op).size(), std::size_t(scenario.calls));
            EXPECT_EQ(Restorations(log), scenario.restorations);
        }
    }
}

// The screen's masks give the colour key (pure green) and the fill's conversion of a COLORREF.
TEST_F(PrimitivesTest, KeyAndFillFollowTheScreenFormat) {
    using enum platform::PixelFormat;
    const struct {
        platform::PixelFormat format;
        DWORD key;
        std::vector<std::pair<DWORD, std::uint16_t>> fills;  // COLORREF, pixel
    } rows[] = {{Rgb565, 0x07E0, {{0xFF00, 0x07E0}, {0xFF, 0xF800}, {0xFF0000, 0x001F}, {0x808080, 0x8410}}},
                {Rgb565, 0x07E0, {{0xFFFFFF, 0xFFFF}, {0xFF00FF00, 0x07E0}}},
                {Rgb555, 0x03E0, {{0xFF00, 0x03E0}, {0xFF, 0x7C00}, {0xFFFFFF, 0x7FFF}, {0xFF00FF00, 0x03E0}}}};
    for (const auto& row : rows) {
        StopDisplay();
        SetOptions(row.format);
        StartDisplay();
        EXPECT_EQ(std::vector<DWORD>({display_->colorKeyLow, display_->colorKeyHigh}), std::vector<DWORD>(2, row.key));
        for (const auto& [color, pixel] : row.fills) {
            SCOPED_TRACE(color);
            const auto blts = CallsOf(Logged([&] { ASSERT_EQ(display_->FillSurface(FxSurface, color), 1); }), "Blt");
            ASSERT_EQ(blts.size(), 1u);
            EXPECT_EQ(std::make_pair(blts[0].flags, blts[0].source),
                      std::make_pair(DWORD(DDBLT_COLORFILL | DDBLT_WAIT), static_cast<const void*>(nullptr)));
            EXPECT_EQ(Pixels(FxSurface), std::vector<std::uint16_t>(128 * 128, pixel));
        }
    }
}

// Slots outside the table and empty ones make no call, for fills and for text alike.
TEST_F(PrimitivesTest, SlotsOutsideTheTableOrEmptyMakeNoCall) {
    IDirectDrawSurface* pointer2 = display_->surfaces[Pointer2];
    display_->surfaces[Pointer2] = nullptr;
    EXPECT_TRUE(Logged([&] {
                    for (std::int32_t slot : {9, -1, static_cast<int>(Pointer2)}) {
                        EXPECT_EQ(display_->FillSurface(slot, 0x0000FF00), 0) << slot;
                        EXPECT_EQ(display_->DrawSurfaceText(slot, "x", 0, 0, 0xFF), 0) << slot;
                    }
                }).empty());
    display_->surfaces[Pointer2] = pointer2;
}

// 5-6-5 and 5-5-5 fields; four bits; three, seven and none count as six; bits above the low 16 play no part.
TEST(ColorMaskAnalysis, MasksOfEveryShape) {
    const struct {
        std::uint32_t mask, low;
        std::int32_t shift, bits, loss;
    } table[] = {{0xF800, 0xF800, 11, 5, 3},     {0x07E0, 0x07E0, 5, 6, 2},     {0x001F, 0x001F, 0, 5, 3},
                 {0x7C00, 0x7C00, 10, 5, 3},     {0x03E0, 0x03E0, 5, 5, 3},     {0x0F00, 0x0F00, 8, 4, 4},
                 {0x0070, 0x0070, 4, 6, 2},      {0x7F00, 0x7F00, 8, 6, 2},     {0x00000000, 0x0000, 16, 6, 2},
                 {0xFFFF0000, 0x0000, 16, 6, 2}, {0x0001F800, 0xF800, 11, 5, 3}};
    for (const auto& row : table) {
        const ColorField f = AnalyseColorMask(row.mask);
        EXPECT_EQ((std::vector<std::int64_t>{f.mask, f.shift, f.bits, f.loss}),
                  (std::vector<std::int64_t>{row.low, row.shift, row.bits, row.loss}))
            << std::hex << row.mask;
    }
}

// Still drawing repeats a context call, a lost surface is restored and the call made again, other failures fail the
// text; a context taken is given back once.
TEST_F(PrimitivesTest, DeviceContextPolicy) {
    constexpr HRESULT busy = DDERR_WASSTILLDRAWING, lost = DDERR_SURFACELOST, other = DDERR_GENERIC;
    constexpr GdiCall none = GdiCall::Count;
    const struct {
        const char *name, *op;  // the failing context call, if any, and its answers
        std::vector<HRESULT> answers;
        bool restorationFails;
        GdiCall step;  // a failing drawing step
        int result;
        std::size_t getDcCalls, releaseDcCalls, restorations;
        bool drawn;
    } rows[] = {{"at once", nullptr, {}, false, none, 1, 1, 1, 0, true},
                {"GetDC still drawing twice", "GetDC", {busy, busy}, false, none, 1, 3, 1, 0, true},
                {"GetDC lost, restored", "GetDC", {lost}, false, none, 1, 2, 1, 1, true},
                {"GetDC lost, restoration fails", "GetDC", {lost}, true, none, 0, 1, 0, 1, false},
                {"GetDC other error", "GetDC", {other}, false, none, 0, 1, 0, 0, false},
                {"ReleaseDC still drawing", "ReleaseDC", {busy}, false, none, 1, 1, 2, 0, true},
                {"ReleaseDC lost, restored", "ReleaseDC", {lost}, false, none, 1, 1, 2, 1, true},
                {"ReleaseDC lost, restoration fails", "ReleaseDC", {lost}, true, none, 0, 1, 1, 1, true},
                {"ReleaseDC other error", "ReleaseDC", {other}, false, none, 0, 1, 1, 0, true},
                {"SetBkMode fails", nullptr, {}, false, GdiCall::SetBkMode, 0, 1, 1, 0, false},
                {"SetTextColor fails", nullptr, {}, false, GdiCall::SetTextColor, 0, 1, 1, 0, false},
                {"TextOutA fails", nullptr, {}, false, GdiCall::TextOutA, 0, 1, 1, 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // A context never given back leaves the surface locked: every row starts a fresh display.
        StopDisplay();
        StartDisplay();
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0x00000000), 1);
        const std::vector<std::uint16_t> before = Pixels(BackBuffer);
        platform::ddraw::ClearFaults();
        for (std::size_t i = 0; i < row.answers.size(); ++i) InjectFault(row.op, int(i) + 1, row.answers[i]);
        if (row.restorationFails) InjectFault("Restore", 1, DDERR_GENERIC);
        if (row.step != none) platform::gdi::FailGdiCall(row.step, 1);
        const auto log = Logged(
            [&] { EXPECT_EQ(display_->DrawSurfaceText(BackBuffer, "Vornhollow", 20, 30, 0x000000FF), row.result); });
        EXPECT_EQ(std::vector<std::size_t>({CallsOf(log, "GetDC", display_->surfaces[BackBuffer]).size(),
                                            CallsOf(log, "ReleaseDC", display_->surfaces[BackBuffer]).size(),
                                            std::size_t(Restorations(log))}),
                  std::vector<std::size_t>({row.getDcCalls, row.releaseDcCalls, row.restorations}));
        platform::ddraw::ClearFaults();
        EXPECT_EQ(Pixels(BackBuffer) != before, row.drawn);
    }
}

// Frames counted in a window closing past 1000 ms (the clock may wrap); "<figure> <tiles>" drawn red at (300, 460).
TEST_F(PrimitivesTest, FrameRateLine) {
    const struct {
        DWORD lastTick, count, now, value, countAfter, lastTickAfter;
        std::int32_t tiles;
        const char* text;
    } steps[] = {{5000, 0, 5000, 66, 1, 5000, 100, "66 100"},
                 {5000, 1, 5000, 66, 2, 5000, 0, "66 0"},
                 {5000, 2, 6000, 66, 3, 5000, 24, "66 24"},
                 {5000, 3, 6001, 4, 0, 6001, 100, "4 100"},
                 {6001, 0, 6001, 4, 1, 6001, 100, "4 100"},
                 {0xFFFFFF00u, 2, 0x300, 3, 0, 0x300, 7, "3 7"},
                 {0xFFFFFF00u, 2, 0xE7, 3, 3, 0xFFFFFF00u, 100, "3 100"}};
    // A display starts with no frames counted and 66 as its figure, shown until the first second closes.
    EXPECT_EQ(std::tuple(display_->fpsValue, display_->fpsFrameCount), std::tuple(DWORD{66}, DWORD{0}));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.now);
        display_->fpsLastTick = step.lastTick;
        display_->fpsFrameCount = step.count;
        display_->tileCount = step.tiles;
        platform::testing::SetTickCount(step.now);
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0x404040), 1);
        ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
        EXPECT_EQ(std::vector<DWORD>({display_->fpsValue, display_->fpsFrameCount, display_->fpsLastTick}),
                  std::vector<DWORD>({step.value, step.countAfter, step.lastTickAfter}));
        const std::vector<std::uint16_t> line = Pixels(BackBuffer);
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0x404040), 1);
        ASSERT_EQ(display_->DrawSurfaceText(BackBuffer, step.text, 300, 460, 0x000000FF), 1);
        EXPECT_EQ(Pixels(BackBuffer), line);
        int red = 0;
        for (int i = 0; i < 640 * 480; ++i) {
            if (line[i] == 0x4208) continue;  // the grey
            EXPECT_TRUE(line[i] == 0xF800 && i % 640 >= 300 && i / 640 >= 460) << line[i] << " at " << i;
            ++red;
        }
        EXPECT_GT(red, 20);
    }
    display_->tileCount = 100;
}

}  // namespace
