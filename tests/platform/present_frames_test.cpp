// The presenter on the offscreen host: counting, the last frame, bounded runs, capture, the vsync
// notice and the virtual display's refreshes; the PNG writer's refusals.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "host/refresh_clock.h"
#include "present/png_writer.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "present_png_reader.h"
#include "runtime/run_policy.h"
#include "win_test_window.h"

namespace {

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
        Apply([](platform::Options&) {});
    }
    void TearDown() override {
        platform::runtime::RemoveRunPolicy();
        WindowTest::TearDown();
    }
    template <class Change>
    const platform::Options& Apply(Change change) {
        options_.vsync = false;
        change(options_);
        platform::SetOptions(options_);
        return options_;
    }

    platform::Options options_;
};

TEST_F(PresentTest, FramesAreCountedAndTheLastIsKeptWithoutItsPitch) {
    TestFrame second(2);
    platform::PresentFrame(TestFrame(1).View(), true);
    platform::PresentFrame(second.View(), true);
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 2u);
    const std::vector<std::uint16_t> last = platform::testing::LastPresentedFrame();
    ASSERT_EQ(last.size(), 640u * 480u);
    EXPECT_EQ(std::tuple(last[0], last[640], last.back()),
              std::tuple(second.At(0, 0), second.At(0, 1), second.At(639, 479)));
    platform::testing::UseNullHost();
    EXPECT_TRUE(platform::testing::PresentedFrameCount() == 0 && platform::testing::LastPresentedFrame().empty());
}

TEST_F(PresentTest, ABoundedRunPressesEscapeOnceAfterExactlyTheLastFrame) {
    platform::runtime::InstallRunPolicy(Apply([](platform::Options& o) { o.frames = 3; }));
    const HWND window = win_test::CreateTestWindow();
    const TestFrame frame(0);
    MSG msg{};
    std::vector<std::tuple<HWND, UINT, WPARAM>> pressed;  // after each frame, the key that waits
    for (int i = 1; i <= 4; ++i) {
        platform::PresentFrame(frame.View(), true);
        pressed.emplace_back(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)
                                 ? std::tuple(msg.hwnd, msg.message, msg.wParam)
                                 : std::tuple<HWND, UINT, WPARAM>{});
    }
    EXPECT_EQ(pressed, (decltype(pressed){{}, {}, {window, WM_KEYDOWN, VK_ESCAPE}, {}}));
}

TEST_F(PresentTest, CaptureWritesEveryFrameAsANumberedPng) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vh-capture-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    Apply([&](platform::Options& o) { o.capture = dir.string(); });
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
    EXPECT_FALSE(std::filesystem::exists(dir / "frame-000000.png") ||
                 std::filesystem::exists(dir / "frame-000009.png"));
    const std::uint16_t p = TestFrame(10).At(100, 200);  // the picture itself, not only the probe
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "frame-00000" + std::to_string(i + 1) + ".png";
        const present_test::RgbImage image = present_test::ReadPng((dir / name).string());
        ASSERT_TRUE(image.ok && image.width == 640 && image.height == 480) << name;
        const std::uint8_t* got = image.At(639, 479);
        EXPECT_EQ((std::vector<int>{got[0], got[1], got[2], image.At(100, 200)[2]}),
                  (std::vector<int>{cases[i].r, cases[i].g, cases[i].b, ((p & 0x1F) << 3) | ((p & 0x1F) >> 2)}))
            << name;
    }
    // Nothing to write is a failure, not a file written.
    const std::string bad = (dir / "bad.png").string();
    std::string error;
    for (const auto& [pixels, w, h, pitch] :
         {std::tuple{&p, 1, 1, 0}, {&p, 0, 1, 1}, {&p, 1, 0, 1}, {nullptr, 1, 1, 1}})
        EXPECT_FALSE(platform::present::WritePng(bad, pixels, w, h, pitch, PixelFormat::Rgb565, error))
            << w << h << pitch;
    EXPECT_TRUE(!error.empty() && !std::filesystem::exists(bad)) << error;
    EXPECT_TRUE(platform::present::WritePng(bad, &p, 1, 1, 1, PixelFormat::Rgb565, error) &&
                std::filesystem::exists(bad));
    std::filesystem::remove_all(dir);
}

TEST_F(PresentTest, VsyncIsAnnouncedOnceAndTheVirtualDisplayRefreshesSixtyTimesASecond) {
    const TestFrame frame(0);
    ::testing::internal::CaptureStderr();
    platform::PresentFrame(frame.View(), false);  // without vsync: no word of it
    Apply([](platform::Options& o) { o.vsync = true; });
    for (int i = 0; i < 3; ++i) platform::PresentFrame(frame.View(), false);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "vornhollow: vsync on: the frame rate is bounded by the display's refresh (offscreen: a virtual 60 Hz "
              "display); --no-vsync lifts the bound\n");
    constexpr std::uint64_t kSecond = 1'000'000'000;
    const std::uint64_t cases[][2] = {{0, 16'666'667},
                                      {16'666'667, 33'333'334},
                                      {999'999'999, kSecond},
                                      {5 * kSecond + 983'333'334, 6 * kSecond},
                                      {123456 * kSecond + 500'000'000, 123456 * kSecond + 516'666'667}};
    for (const auto& c : cases) EXPECT_EQ(platform::host::NextRefreshNs(c[0], 60), c[1]) << c[0];
}

}  // namespace
