// The presenter on the offscreen host: counting, the last frame, bounded runs, capture and the
// virtual display's vsync.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/null/null_host_control.h"
#include "host/refresh_clock.h"
#include "platform/options.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "present_png_reader.h"
#include "runtime/run_policy.h"
#include "win_test_window.h"

namespace {

using namespace std::chrono_literals;
using platform::PixelFormat;

// A 640x480 picture in a buffer with a wider pitch whose padding must never show up.
struct TestFrame {
    static constexpr int kPitch = 700;
    std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(kPitch * 480, 0xDEAD);
    PixelFormat format;

    explicit TestFrame(std::uint16_t seed, PixelFormat f = PixelFormat::Rgb565) : format(f) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) At(x, y) = static_cast<std::uint16_t>(seed + x * 7 + y * 131);
    }
    std::uint16_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * kPitch + x]; }
    platform::FrameView View() const { return {pixels.data(), 640, 480, kPitch, format}; }
};

class PresentTest : public win_test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        options_.vsync = false;
        Apply();
    }
    void TearDown() override {
        platform::runtime::RemoveRunPolicy();
        platform::SetOptions(platform::Options{});
        WindowTest::TearDown();
    }
    void Apply() { platform::SetOptions(options_); }

    platform::Options options_;
};

TEST_F(PresentTest, FramesAreCountedAndTheLastIsKeptWithoutItsPitch) {
    TestFrame second(2);
    platform::PresentFrame(TestFrame(1).View(), true);
    platform::PresentFrame(second.View(), true);
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 2u);
    const std::vector<std::uint16_t> last = platform::testing::LastPresentedFrame();
    ASSERT_EQ(last.size(), 640u * 480u);
    EXPECT_EQ(last[0], second.At(0, 0));
    EXPECT_EQ(last[640], second.At(0, 1));
    EXPECT_EQ(last.back(), second.At(639, 479));

    platform::testing::UseNullHost();
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 0u);
    EXPECT_TRUE(platform::testing::LastPresentedFrame().empty());
}

TEST_F(PresentTest, ABoundedRunPressesEscapeAfterExactlyTheLastFrame) {
    options_.frames = 3;
    Apply();
    platform::runtime::InstallRunPolicy(options_);
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    const TestFrame frame(0);
    MSG msg{};
    for (int i = 1; i <= 2; ++i) {
        platform::PresentFrame(frame.View(), true);
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "after frame " << i;
    }
    platform::PresentFrame(frame.View(), true);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
    platform::PresentFrame(frame.View(), true);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "Escape is pressed only once";
}

TEST_F(PresentTest, CaptureWritesEveryFrameAsANumberedPng) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vh-capture-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    options_.capture = dir.string();
    Apply();

    // Widening by bit replication: full intensity is 255, and middle values repeat their top bits.
    const struct {
        PixelFormat format;
        std::uint16_t pixel;
        std::uint8_t r, g, b;
    } cases[] = {{PixelFormat::Rgb565, 0xF800, 255, 0, 0},     {PixelFormat::Rgb565, 0x07E0, 0, 255, 0},
                 {PixelFormat::Rgb565, 0x8410, 132, 130, 132}, {PixelFormat::Rgb565, 0x0841, 8, 8, 8},
                 {PixelFormat::Rgb555, 0x7C00, 255, 0, 0},     {PixelFormat::Rgb555, 0x03E0, 0, 255, 0},
                 {PixelFormat::Rgb555, 0x001F, 0, 0, 255},     {PixelFormat::Rgb555, 0x4210, 132, 132, 132}};
    for (const auto& c : cases) {
        TestFrame frame(10, c.format);
        frame.At(639, 479) = c.pixel;
        platform::PresentFrame(frame.View(), true);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "frame-000000.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "frame-000009.png"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "frame-00000" + std::to_string(i + 1) + ".png";
        const present_test::RgbImage image = present_test::ReadPng((dir / name).string());
        ASSERT_TRUE(image.ok && image.width == 640 && image.height == 480) << name;
        const std::uint8_t* got = image.At(639, 479);
        EXPECT_EQ((std::vector<int>{got[0], got[1], got[2]}), (std::vector<int>{cases[i].r, cases[i].g, cases[i].b}))
            << name;
        // The picture itself, not only the probe: blue of a pattern pixel, widened.
        const std::uint16_t p = TestFrame(10).At(100, 200);
        EXPECT_EQ(image.At(100, 200)[2], static_cast<std::uint8_t>(((p & 0x1F) << 3) | ((p & 0x1F) >> 2))) << name;
    }
    std::filesystem::remove_all(dir);
}

TEST_F(PresentTest, VsyncWaitsForTheVirtualDisplayAndSaysSoOnce) {
    options_.vsync = true;
    Apply();
    const TestFrame frame(0);
    ::testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i) platform::PresentFrame(frame.View(), true);
    const auto took = std::chrono::steady_clock::now() - start;
    // Without a wait, 60 presents would otherwise take a whole second.
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) platform::PresentFrame(frame.View(), false);
    const auto tookWithoutWait = std::chrono::steady_clock::now() - start;
    const std::string err = ::testing::internal::GetCapturedStderr();
    // Six waiting presents span at least five whole refresh periods (83 ms).
    EXPECT_GE(took, 80ms);
    EXPECT_LT(took, 3s);
    EXPECT_LT(tookWithoutWait, 500ms);
    const std::string notice = "bounded by the display's refresh";
    const auto first = err.find(notice);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(notice, first + 1), std::string::npos) << err;
}

TEST(VirtualDisplay, RefreshesAreEvenlySpacedSixtyTimesASecond) {
    constexpr std::uint64_t kSecond = 1'000'000'000;
    const std::uint64_t cases[][2] = {{0, 16'666'667},
                                      {16'666'667, 33'333'334},
                                      {999'999'999, kSecond},
                                      {5 * kSecond + 983'333'334, 6 * kSecond},
                                      {123456 * kSecond + 500'000'000, 123456 * kSecond + 516'666'667}};
    for (const auto& c : cases) EXPECT_EQ(platform::host::NextRefreshNs(c[0], 60), c[1]) << c[0];
}

}  // namespace
