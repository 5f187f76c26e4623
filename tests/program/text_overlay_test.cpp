// Text on a surface through its device context, and the frame-rate line.
#include "gdi/gdi_control.h"
#include "kernel/kernel_control.h"
#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::InjectFault;
using platform::gdi::GdiCall;

class TextTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
    }
    std::vector<std::uint16_t> Picture() const { return Pixels(display_->surfaces[BackBuffer]); }
    int OnBackBuffer(const std::vector<platform::ddraw::Call>& log, const std::string& op) const {
        int count = 0;
        for (const auto& call : CallsOf(log, op)) count += call.object == display_->surfaces[BackBuffer];
        return count;
    }
};

TEST_F(TextTest, SlotsOutsideTheTableOrEmptyMakeNoCall) {
    platform::ddraw::StartCallLog();
    EXPECT_EQ(display_->DrawSurfaceText(9, "x", 0, 0, 0xFF), 0);
    EXPECT_EQ(display_->DrawSurfaceText(-1, "x", 0, 0, 0xFF), 0);
    IDirectDrawSurface* pointer1 = display_->surfaces[Pointer1];
    display_->surfaces[Pointer1] = nullptr;
    EXPECT_EQ(display_->DrawSurfaceText(Pointer1, "x", 0, 0, 0xFF), 0);
    display_->surfaces[Pointer1] = pointer1;
    EXPECT_TRUE(platform::ddraw::CallLog().empty());
}

// Still drawing repeats a context call, a lost surface is restored and the call made again, any
// other failure - of the context or of a drawing step - fails the text, and a context taken is
// always given back once.
TEST_F(TextTest, DeviceContextPolicy) {
    const struct {
        const char* name;
        const char* op;  // the failing context call, if any
        std::vector<HRESULT> answers;
        bool restorationFails;
        GdiCall step;  // a failing drawing step, Count for none
        std::int32_t result;
        int getDcCalls, releaseDcCalls, restorations;
        bool drawn;
    } rows[] = {
        {"at once", nullptr, {}, false, GdiCall::Count, 1, 1, 1, 0, true},
        {"GetDC still drawing twice",
         "GetDC",
         {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING},
         false,
         GdiCall::Count,
         1,
         3,
         1,
         0,
         true},
        {"GetDC lost, restored", "GetDC", {DDERR_SURFACELOST}, false, GdiCall::Count, 1, 2, 1, 1, true},
        {"GetDC lost, restoration fails", "GetDC", {DDERR_SURFACELOST}, true, GdiCall::Count, 0, 1, 0, 1, false},
        {"GetDC other error", "GetDC", {DDERR_GENERIC}, false, GdiCall::Count, 0, 1, 0, 0, false},
        {"ReleaseDC still drawing", "ReleaseDC", {DDERR_WASSTILLDRAWING}, false, GdiCall::Count, 1, 1, 2, 0, true},
        {"ReleaseDC lost, restored", "ReleaseDC", {DDERR_SURFACELOST}, false, GdiCall::Count, 1, 1, 2, 1, true},
        {"ReleaseDC lost, restoration fails", "ReleaseDC", {DDERR_SURFACELOST}, true, GdiCall::Count, 0, 1, 1, 1, true},
        {"ReleaseDC other error", "ReleaseDC", {DDERR_GENERIC}, false, GdiCall::Count, 0, 1, 1, 0, true},
        {"SetBkMode fails", nullptr, {}, false, GdiCall::SetBkMode, 0, 1, 1, 0, false},
        {"SetTextColor fails", nullptr, {}, false, GdiCall::SetTextColor, 0, 1, 1, 0, false},
        {"TextOutA fails", nullptr, {}, false, GdiCall::TextOutA, 0, 1, 1, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // A context never given back leaves the surface locked: every row starts a fresh display.
        if (display_ != nullptr) {
            display_->ReleaseAll();
            delete display_;
            display_ = nullptr;
        }
        StartDisplay();
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0x00000000), 1);
        const std::vector<std::uint16_t> before = Picture();
        platform::ddraw::ClearFaults();
        for (std::size_t i = 0; i < row.answers.size(); ++i)
            InjectFault(row.op, static_cast<int>(i) + 1, row.answers[i]);
        if (row.restorationFails) InjectFault("Restore", 1, DDERR_GENERIC);
        if (row.step != GdiCall::Count) platform::gdi::FailGdiCall(row.step, 1);
        platform::ddraw::StartCallLog();
        EXPECT_EQ(display_->DrawSurfaceText(BackBuffer, "Vornhollow", 20, 30, 0x000000FF), row.result);
        const auto log = platform::ddraw::CallLog();
        platform::ddraw::StopCallLog();
        EXPECT_EQ(OnBackBuffer(log, "GetDC"), row.getDcCalls);
        EXPECT_EQ(OnBackBuffer(log, "ReleaseDC"), row.releaseDcCalls);
        int restorations = 0;
        for (const auto& call : CallsOf(log, "Restore")) restorations += call.object == display_->surfaces[Primary];
        EXPECT_EQ(restorations, row.restorations);
        platform::ddraw::ClearFaults();
        EXPECT_EQ(Picture() != before, row.drawn);
    }
}

TEST_F(TextTest, TextIsRedAtItsPointAndKeepsThePictureBetweenGlyphs) {
    ASSERT_EQ(display_->FillSurface(BackBuffer, 0x00404040), 1);
    const std::uint16_t grey = Picture()[0];
    ASSERT_EQ(display_->DrawSurfaceText(BackBuffer, "66 100", 300, 460, 0x000000FF), 1);
    const std::vector<std::uint16_t> after = Picture();
    int red = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint16_t p = after[y * 640 + x];
            if (p == grey) continue;
            EXPECT_TRUE(p == 0xF800 && x >= 300 && y >= 460) << p << " at " << x << "," << y;
            ++red;
        }
    }
    EXPECT_GT(red, 20);
}

// The figure is the frames counted in a window that closes once more than 1000 ms have passed,
// 66 until the first closes; the clock may wrap.
TEST_F(TextTest, FrameRateWindow) {
    const struct {
        DWORD now;
        DWORD value, count, lastTick;
    } steps[] = {
        {5000, 66, 1, 5000}, {5000, 66, 2, 5000}, {6000, 66, 3, 5000}, {6001, 4, 0, 6001}, {6001, 4, 1, 6001},
    };
    display_->fpsLastTick = 5000;
    display_->fpsFrameCount = 0;
    display_->fpsValue = 66;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.now);
        platform::testing::SetTickCount(step.now);
        ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
        EXPECT_EQ(display_->fpsValue, step.value);
        EXPECT_EQ(display_->fpsFrameCount, step.count);
        EXPECT_EQ(display_->fpsLastTick, step.lastTick);
    }
    display_->fpsLastTick = 0xFFFFFF00u;
    display_->fpsFrameCount = 2;
    platform::testing::SetTickCount(0x00000300u);
    ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
    EXPECT_EQ(display_->fpsValue, 3u);
    EXPECT_EQ(display_->fpsLastTick, 0x300u);
}

TEST_F(TextTest, FrameRateLineReadsFiguresAndTiles) {
    platform::testing::SetTickCount(100);
    display_->fpsLastTick = 100;
    const struct {
        std::int32_t tiles;
        const char* text;
    } rows[] = {{100, "66 100"}, {0, "66 0"}, {24, "66 24"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        display_->tileCount = row.tiles;
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0), 1);
        ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
        const std::vector<std::uint16_t> counter = Picture();
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0), 1);
        ASSERT_EQ(display_->DrawSurfaceText(BackBuffer, row.text, 300, 460, 0x000000FF), 1);
        EXPECT_EQ(Picture(), counter);
    }
    display_->tileCount = 100;
}

}  // namespace
