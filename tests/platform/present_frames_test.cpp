// The presenter on the offscreen host: counting, the last frame, bounded runs, capture and the
// virtual display's vsync.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/host_control.h"
#include "platform/options.h"
#include "present/presenter.h"
#include "present/virtual_display.h"
#include "present_png_reader.h"
#include "win_test_window.h"

namespace {

using namespace std::chrono_literals;
using platform::FrameView;
using platform::PixelFormat;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A 640x480 picture in a buffer with a wider pitch; the padding holds a value that must never
// show up in what the presenter keeps.
struct TestFrame {
    static constexpr int kPitch = 700;
    static constexpr std::uint16_t kPadding = 0xDEAD;
    std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(static_cast<std::size_t>(kPitch) * kHeight, kPadding);
    PixelFormat format = PixelFormat::Rgb565;

    explicit TestFrame(std::uint16_t seed, PixelFormat f = PixelFormat::Rgb565) : format(f) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) At(x, y) = static_cast<std::uint16_t>(seed + x * 7 + y * 131);
    }
    std::uint16_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * kPitch + x]; }
    FrameView View() const { return FrameView{pixels.data(), kWidth, kHeight, kPitch, format}; }
    std::vector<std::uint16_t> Packed() const {
        std::vector<std::uint16_t> packed;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) packed.push_back(pixels[static_cast<std::size_t>(y) * kPitch + x]);
        return packed;
    }
};

class PresentTest : public win_test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        options_.vsync = false;
        platform::SetOptions(options_);
    }
    void TearDown() override {
        platform::SetOptions(platform::Options{});
        WindowTest::TearDown();
    }
    void Apply() { platform::SetOptions(options_); }

    platform::Options options_;
};

TEST_F(PresentTest, FramesAreCountedAndTheLastIsKeptWithoutItsPitch) {
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 0u);
    EXPECT_TRUE(platform::testing::LastPresentedFrame().empty());
    const TestFrame first(1);
    const TestFrame second(2);
    platform::PresentFrame(first.View(), true);
    platform::PresentFrame(second.View(), true);
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 2u);
    EXPECT_EQ(platform::testing::LastPresentedFrame(), second.Packed());

    platform::testing::UseNullHost();
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 0u);
    EXPECT_TRUE(platform::testing::LastPresentedFrame().empty());
}

TEST_F(PresentTest, ABoundedRunPressesEscapeAfterExactlyTheLastFrame) {
    options_.frames = 3;
    Apply();
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

TEST_F(PresentTest, AProgramStyleLoopEndsAfterExactlyNFrames) {
    options_.frames = 7;
    Apply();
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    const TestFrame frame(0);
    // The program's loop: draw whenever no message waits; Escape posts the quit.
    MSG msg{};
    for (int pass = 0; pass < 1000; ++pass) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) == 0) break;
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) PostQuitMessage(0);
            DispatchMessageA(&msg);
        } else {
            platform::PresentFrame(frame.View(), true);
        }
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 7u);
}

class CaptureDirectory {
public:
    CaptureDirectory() {
        path_ = std::filesystem::temp_directory_path() /
                ("vh-capture-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~CaptureDirectory() { std::filesystem::remove_all(path_); }
    std::string Path() const { return path_.string(); }
    std::string Frame(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct Expected {
    int x;
    std::uint16_t pixel;
    std::uint8_t r, g, b;
};

TEST_F(PresentTest, CaptureWritesEveryFrameAsANumberedPng) {
    const CaptureDirectory dir;
    options_.capture = dir.Path();
    Apply();

    // Widening by bit replication: full intensity is 255, and middle values repeat their top bits.
    const Expected rgb565[] = {{0, 0xF800, 255, 0, 0},   {1, 0x07E0, 0, 255, 0},    {2, 0x001F, 0, 0, 255},
                               {3, 0xFFFF, 255, 255, 255}, {4, 0x0000, 0, 0, 0},      {5, 0x8410, 132, 130, 132},
                               {6, 0x0841, 8, 8, 8}};
    const Expected rgb555[] = {{0, 0x7C00, 255, 0, 0}, {1, 0x03E0, 0, 255, 0}, {2, 0x001F, 0, 0, 255},
                               {3, 0x4210, 132, 132, 132}, {4, 0x7FFF, 255, 255, 255}};
    TestFrame first(10, PixelFormat::Rgb565);
    for (const Expected& e : rgb565) first.At(e.x, 479) = e.pixel;
    TestFrame second(20, PixelFormat::Rgb555);
    for (const Expected& e : rgb555) second.At(e.x, 479) = e.pixel;
    platform::PresentFrame(first.View(), true);
    platform::PresentFrame(second.View(), true);

    EXPECT_FALSE(std::filesystem::exists(dir.Frame("frame-000000.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.Frame("frame-000003.png")));
    const struct {
        const char* file;
        const Expected* expected;
        std::size_t count;
    } checks[] = {{"frame-000001.png", rgb565, std::size(rgb565)}, {"frame-000002.png", rgb555, std::size(rgb555)}};
    for (const auto& check : checks) {
        const present_test::RgbImage image = present_test::ReadPng(dir.Frame(check.file));
        ASSERT_TRUE(image.ok) << check.file;
        ASSERT_EQ(image.width, 640);
        ASSERT_EQ(image.height, 480);
        for (std::size_t i = 0; i < check.count; ++i) {
            const Expected& e = check.expected[i];
            const std::uint8_t* got = image.At(e.x, 479);
            EXPECT_EQ(got[0], e.r) << check.file << " pixel " << std::hex << e.pixel;
            EXPECT_EQ(got[1], e.g) << check.file << " pixel " << std::hex << e.pixel;
            EXPECT_EQ(got[2], e.b) << check.file << " pixel " << std::hex << e.pixel;
        }
    }
    // The picture itself, not only the probes: the top-left pixels of the first frame.
    const present_test::RgbImage image = present_test::ReadPng(dir.Frame("frame-000001.png"));
    const std::uint16_t p = first.At(100, 200);
    EXPECT_EQ(image.At(100, 200)[2], static_cast<std::uint8_t>(((p & 0x1F) << 3) | ((p & 0x1F) >> 2)));
}

TEST_F(PresentTest, VsyncWaitsForTheVirtualDisplayAndSaysSoOnce) {
    options_.vsync = true;
    Apply();
    const TestFrame frame(0);
    ::testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i) platform::PresentFrame(frame.View(), true);
    const auto took = std::chrono::steady_clock::now() - start;
    const std::string err = ::testing::internal::GetCapturedStderr();
    // Six waiting presents span at least five whole refresh periods (83 ms).
    EXPECT_GE(took, 80ms);
    EXPECT_LT(took, 3s);
    const std::string notice = "bounded by the display's refresh";
    const auto first = err.find(notice);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(notice, first + 1), std::string::npos) << err;
}

TEST_F(PresentTest, WithoutVsyncOrWithoutWaitPresentsDoNotWait) {
    const TestFrame frame(0);
    for (const bool vsync : {false, true}) {
        options_.vsync = vsync;
        Apply();
        ::testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        // With vsync and wait, 60 presents would take a whole second.
        for (int i = 0; i < 60; ++i) platform::PresentFrame(frame.View(), !vsync);
        const auto took = std::chrono::steady_clock::now() - start;
        ::testing::internal::GetCapturedStderr();
        EXPECT_LT(took, 500ms) << (vsync ? "vsync on, no wait" : "vsync off");
    }
}

TEST(VirtualDisplay, RefreshesAreEvenlySpacedSixtyTimesASecond) {
    constexpr std::uint64_t kSecond = 1'000'000'000;
    const struct {
        std::uint64_t now;
        std::uint64_t next;
    } cases[] = {
        {0, 16'666'667},
        {16'666'666, 16'666'667},
        {16'666'667, 33'333'334},
        {999'999'999, kSecond},
        {kSecond, kSecond + 16'666'667},
        {5 * kSecond + 983'333'333, 5 * kSecond + 983'333'334},
        {5 * kSecond + 983'333'334, 6 * kSecond},
        {123456 * kSecond + 500'000'000, 123456 * kSecond + 516'666'667},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::present::NextVirtualRefreshNs(c.now), c.next) << c.now;
}

}  // namespace
