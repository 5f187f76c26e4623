// Text on a surface through its device context, and the frame-rate line.
#include "kernel/kernel_control.h"
#include "tests/program/display_fixture.h"

namespace {

class TextTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
        realBackBuffer_ = display_->surfaces[BackBuffer];
        scripted_ = new ScriptedSurface(realBackBuffer_);
        // The back buffer is never restored, keyed or released by the display's own operations, so a
        // scripted stand-in there sees exactly the text calls.
        display_->surfaces[BackBuffer] = scripted_;
    }
    void TearDown() override {
        display_->surfaces[BackBuffer] = realBackBuffer_;
        delete scripted_;
        DisplayFixture::TearDown();
    }
    int RestoresOfPrimary() const {
        int count = 0;
        for (const auto& call : CallsOf(platform::ddraw::CallLog(), "Restore")) {
            count += call.object == display_->surfaces[Primary];
        }
        return count;
    }
    std::vector<std::uint16_t> Picture() const { return Pixels(realBackBuffer_); }

    IDirectDrawSurface* realBackBuffer_ = nullptr;
    ScriptedSurface* scripted_ = nullptr;
};

TEST_F(TextTest, SlotsOutsideTheTableOrEmptyMakeNoCall) {
    EXPECT_EQ(display_->DrawSurfaceText(9, "x", 0, 0, 0xFF), 0);
    EXPECT_EQ(display_->DrawSurfaceText(-1, "x", 0, 0, 0xFF), 0);
    IDirectDrawSurface* pointer1 = display_->surfaces[Pointer1];
    display_->surfaces[Pointer1] = nullptr;
    EXPECT_EQ(display_->DrawSurfaceText(Pointer1, "x", 0, 0, 0xFF), 0);
    display_->surfaces[Pointer1] = pointer1;
    EXPECT_EQ(scripted_->Count("GetDC"), 0);
}

TEST_F(TextTest, DeviceContextPolicy) {
    const struct {
        const char* name;
        std::vector<HRESULT> getDc, releaseDc;
        bool restorationFails;
        std::int32_t result;
        int getDcCalls, releaseDcCalls, restorations;
        bool drawn;
    } rows[] = {
        {"at once", {}, {}, false, 1, 1, 1, 0, true},
        {"GetDC still drawing twice", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING}, {}, false, 1, 3, 1, 0, true},
        {"GetDC lost, restored", {DDERR_SURFACELOST}, {}, false, 1, 2, 1, 1, true},
        {"GetDC lost, restoration fails", {DDERR_SURFACELOST}, {}, true, 0, 1, 0, 1, false},
        {"GetDC other error", {DDERR_GENERIC}, {}, false, 0, 1, 0, 0, false},
        {"ReleaseDC still drawing", {}, {DDERR_WASSTILLDRAWING}, false, 1, 1, 2, 0, true},
        {"ReleaseDC lost, restored", {}, {DDERR_SURFACELOST}, false, 1, 1, 2, 1, true},
        {"ReleaseDC lost, restoration fails", {}, {DDERR_SURFACELOST}, true, 0, 1, 1, 1, true},
        {"ReleaseDC other error", {}, {DDERR_GENERIC}, false, 0, 1, 1, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(display_->FillSurface(BackBuffer, 0x00000000), 1);
        const std::vector<std::uint16_t> before = Picture();
        ScriptedSurface scripted(realBackBuffer_);
        scripted.Script("GetDC", row.getDc);
        scripted.Script("ReleaseDC", row.releaseDc);
        display_->surfaces[BackBuffer] = &scripted;
        platform::ddraw::ClearFaults();
        if (row.restorationFails) platform::ddraw::InjectFault("Restore", 1, DDERR_GENERIC);
        platform::ddraw::StartCallLog();
        EXPECT_EQ(display_->DrawSurfaceText(BackBuffer, "Vornhollow", 20, 30, 0x000000FF), row.result);
        EXPECT_EQ(scripted.Count("GetDC"), row.getDcCalls);
        EXPECT_EQ(scripted.Count("ReleaseDC"), row.releaseDcCalls);
        EXPECT_EQ(RestoresOfPrimary(), row.restorations);
        platform::ddraw::StopCallLog();
        display_->surfaces[BackBuffer] = scripted_;
        // A scripted ReleaseDC answer leaves the real surface locked; give it back.
        if (scripted.LastDc() != nullptr) realBackBuffer_->ReleaseDC(scripted.LastDc());
        EXPECT_EQ(Picture() != before, row.drawn);
    }
}

TEST_F(TextTest, AFailedDrawingStepStillGivesTheContextBackOnce) {
    // A context GDI does not know: SetBkMode fails and nothing is drawn.
    scripted_->HandOutDc(reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x1234)));
    EXPECT_EQ(display_->DrawSurfaceText(BackBuffer, "66 100", 300, 460, 0x000000FF), 0);
    EXPECT_EQ(scripted_->Count("GetDC"), 1);
    EXPECT_EQ(scripted_->Count("ReleaseDC"), 1);
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
            EXPECT_EQ(p, 0xF800) << "at " << x << "," << y;
            EXPECT_GE(x, 300);
            EXPECT_GE(y, 460);
            ++red;
        }
    }
    EXPECT_GT(red, 20);
}

TEST_F(TextTest, FrameRateWindow) {
    platform::testing::SetTickCount(5000);
    display_->fpsLastTick = 5000;
    display_->fpsFrameCount = 0;
    display_->fpsValue = 66;
    for (int i = 0; i < 4; ++i) ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
    EXPECT_EQ(display_->fpsValue, 66u) << "until the first window closes the figure is 66";
    platform::testing::SetTickCount(6000);
    ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
    EXPECT_EQ(display_->fpsValue, 66u) << "exactly 1000 ms keeps the window open";
    EXPECT_EQ(display_->fpsFrameCount, 5u);
    platform::testing::SetTickCount(6001);
    ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
    EXPECT_EQ(display_->fpsValue, 6u) << "the closing frame counts";
    EXPECT_EQ(display_->fpsFrameCount, 0u);
    EXPECT_EQ(display_->fpsLastTick, 6001u);
    ASSERT_EQ(display_->DrawFrameRate(BackBuffer), 1);
    EXPECT_EQ(display_->fpsFrameCount, 1u) << "the frame after a close is the first of the next window";

    // Across the clock's wrap.
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
