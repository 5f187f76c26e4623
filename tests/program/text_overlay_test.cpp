// Text on a surface through its device context, and the frame-rate line.
#include "gdi/gdi_control.h"
#include "tests/program/display_fixture.h"

namespace {

using platform::gdi::GdiCall;

using TextTest = StartedDisplay;

// Still drawing repeats a context call, a lost surface is restored and the call made again, any
// other failure - of the context or of a drawing step - fails the text, and a context taken is
// always given back once.
TEST_F(TextTest, DeviceContextPolicy) {
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

// The figure is the frames counted in a window that closes once more than 1000 ms have passed,
// 66 until the first closes; the clock may wrap. The line reads "<figure> <tiles>" in red at
// (300, 460): the same picture as that text drawn, which is red and keeps the picture (here grey)
// between its glyphs.
TEST_F(TextTest, FrameRateLine) {
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
    display_->fpsValue = 66;
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
