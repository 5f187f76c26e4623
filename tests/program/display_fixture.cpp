#include "tests/program/display_fixture.h"

#include "host/null/null_host_control.h"
#include "kernel/kernel_control.h"
#include "win/win_control.h"

namespace {

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void DisplayFixture::SetUp() {
    platform::testing::UseNullHost();
    platform::ddraw::ResetForTesting();
    options_ = platform::Options{};
    options_.offscreen = true;
    options_.vsync = false;
    platform::SetOptions(options_);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.lpszClassName = "DisplayFixture";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "DisplayFixture", "display test", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_NE(window_, nullptr);
}

void DisplayFixture::TearDown() {
    if (gDisplay != nullptr) gDisplay->ReleaseAll();
    delete display_;
    display_ = nullptr;
    gDisplay = nullptr;
    platform::ddraw::StopCallLog();
    platform::ddraw::ResetForTesting();
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0) << "every DirectDraw object given back";
    platform::testing::SetTickCount(std::nullopt);
    platform::SetOptions(platform::Options{});
    DestroyWindow(window_);
}

void DisplayFixture::SetPixelFormat(platform::PixelFormat format) {
    options_.pixelFormat = format;
    platform::SetOptions(options_);
}

void DisplayFixture::SetVideoMemoryKb(std::uint32_t kb) {
    options_.vramKb = kb;
    platform::SetOptions(options_);
}

std::int32_t DisplayFixture::TryStartDisplay() {
    display_ = new DisplayContext();
    gDisplay = display_;
    return display_->InitDirectDraw(window_);
}

void DisplayFixture::StartDisplay() {
    ASSERT_EQ(TryStartDisplay(), 1);
    ASSERT_TRUE(BoxTexts().empty());
}

std::vector<platform::ddraw::Call> DisplayFixture::CallsOf(const std::vector<platform::ddraw::Call>& log,
                                                           const std::string& op) {
    std::vector<platform::ddraw::Call> calls;
    for (const auto& call : log) {
        if (call.op == op) calls.push_back(call);
    }
    return calls;
}

std::vector<std::uint16_t> DisplayFixture::Pixels(IDirectDrawSurface* surface) {
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(surface);
    std::vector<std::uint16_t> pixels;
    pixels.reserve(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) {
        pixels.insert(pixels.end(), view.pixels + y * view.pitchPixels,
                      view.pixels + y * view.pitchPixels + view.width);
    }
    return pixels;
}

std::vector<std::string> DisplayFixture::BoxTexts() const {
    std::vector<std::string> texts;
    const auto boxes = platform::testing::MessageBoxesShown();
    for (std::size_t i = boxMark_; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].caption, "Fatal Error");
        EXPECT_EQ(boxes[i].owner, window_);
        texts.push_back(boxes[i].text);
    }
    return texts;
}

void DisplayFixture::MarkBoxes() { boxMark_ = platform::testing::MessageBoxesShown().size(); }
