// The whole program in-process on the offscreen host: start-up, the main loop, the keys, the
// window procedure and the fatal paths, all ending with exit code 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <platform/options.h>
#include "ddraw/ddraw_control.h"
#include "host/null/null_host_control.h"
#include "mm/timer_control.h"
#include "present/present_control.h"
#include "win/win_control.h"

#include "app/application.h"
#include "app/globals.h"
#include "display/display_context.h"
#include "scene/scene_state.h"

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::UseNullHost();
        platform::ddraw::ResetForTesting();
        platform::Options options;
        options.offscreen = true;
        options.vsync = false;
        platform::SetOptions(options);
        gAppActive = 0;
    }
    void TearDown() override {
        platform::ddraw::ResetForTesting();
        platform::testing::FailTimeSetEvent(false);
        platform::SetOptions(platform::Options{});
        EXPECT_EQ(gDisplay, nullptr);
        EXPECT_EQ(gScene, nullptr);
        EXPECT_EQ(gTimerId, 0u) << "no timer outlives WinMain";
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
    }
    static int RunWinMain() { return WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }
    // Presses keys from another thread once frames flow, as a user would.
    static std::thread PressLater(std::vector<unsigned> keys, std::uint64_t afterFrames) {
        return std::thread([keys, afterFrames] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (platform::testing::PresentedFrameCount() < afterFrames &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            for (unsigned key : keys) {
                platform::testing::InjectKeyDown(key);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : platform::testing::MessageBoxesShown()) {
            EXPECT_EQ(box.caption, "Fatal Error");
            texts.push_back(box.text);
        }
        return texts;
    }
};

TEST_F(ApplicationTest, EscapeAndF12QuitOtherKeysDoNothing) {
    for (unsigned quitKey : {VK_ESCAPE, VK_F12}) {
        SCOPED_TRACE(quitKey);
        platform::testing::UseNullHost();
        std::thread user = PressLater({'A', VK_SPACE, VK_F1}, 5);
        std::thread quit = std::thread([quitKey] {
            // After the harmless keys, frames go on; then the quitting key.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (platform::testing::PresentedFrameCount() < 200 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            platform::testing::InjectKeyDown(quitKey);
        });
        EXPECT_EQ(RunWinMain(), 0);
        user.join();
        quit.join();
        EXPECT_GE(platform::testing::PresentedFrameCount(), 200u) << "the other keys did not end the run";
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(ApplicationTest, TheWindowIsActivatedAndTheSceneMoves) {
    std::vector<std::uint16_t> early;
    std::thread watcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (platform::testing::PresentedFrameCount() < 4 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        early = platform::testing::LastPresentedFrame();
        // A few 66 ms ticks later the creature stands elsewhere.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        platform::testing::InjectKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(RunWinMain(), 0);
    watcher.join();
    EXPECT_NE(gAppActive.load(), 0u) << "showing the window activated the application";
    const std::vector<std::uint16_t> late = platform::testing::LastPresentedFrame();
    ASSERT_EQ(early.size(), 640u * 480u);
    ASSERT_EQ(late.size(), 640u * 480u);
    // Compare the creature's rows left of the frame-rate text.
    bool moved = false;
    for (int y = 347; y < 467 && !moved; ++y) {
        for (int x = 0; x < 290 && !moved; ++x) moved = early[y * 640 + x] != late[y * 640 + x];
    }
    EXPECT_TRUE(moved);
}

TEST_F(ApplicationTest, SetCursorIsAnsweredWithNoCursor) {
    platform::testing::UseNullHost();
    EXPECT_EQ(MainWindowProc(nullptr, WM_SETCURSOR, 0, 0), TRUE);
    EXPECT_FALSE(platform::testing::CursorVisible());
    MainWindowProc(nullptr, WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(gAppActive.load(), 1u);
    MainWindowProc(nullptr, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(gAppActive.load(), 0u);
}

TEST_F(ApplicationTest, ATimerThatCannotStartIsFatal) {
    platform::testing::FailTimeSetEvent(true);
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Timer thread cannot start.\n"});
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 0u);
}

TEST_F(ApplicationTest, AFailedStartUpEndsWithItsOwnMessage) {
    platform::Options options = platform::CurrentOptions();
    options.vramKb = 1000;
    platform::SetOptions(options);
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Error!\n\nOut of Video Memory.\nCreateSurface failed for DirectDraw.\n"});
}

TEST_F(ApplicationTest, AFailingFrameShowsOneBoxAndNothingMoreIsDrawn) {
    // The fifth flip fails: four frames were shown, the fifth was composed and refused.
    platform::ddraw::InjectFault("Flip", 5, DDERR_GENERIC);
    platform::ddraw::StartCallLog();
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error in animating.\n"});
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 4u);
    int flips = 0;
    for (const auto& call : platform::ddraw::CallLog()) flips += call.op == "Flip";
    EXPECT_EQ(flips, 5) << "no frame is composed after the failure";
    platform::ddraw::StopCallLog();
}

TEST_F(ApplicationTest, ALostSurfaceInAFrameRestoresThenEndsTheRun) {
    platform::ddraw::InjectFault("BltFast", 200, DDERR_SURFACELOST);
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error in animating.\n"});
}

// Switched away from in full screen, the program finds its surfaces lost, tries one restoration,
// which cannot succeed in the background, and ends as a failed frame does. In a window nothing is
// lost: the animation pauses and the frames go on.
TEST_F(ApplicationTest, LosingTheFocusEndsAFullScreenRunButNotAWindowedOne) {
    for (const bool windowed : {false, true}) {
        SCOPED_TRACE(windowed ? "windowed" : "full screen");
        platform::testing::UseNullHost();
        platform::Options options = platform::CurrentOptions();
        options.windowed = windowed;
        platform::SetOptions(options);
        auto frames = [] { return platform::testing::PresentedFrameCount(); };
        auto waitUntil = [](auto done) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!done() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        std::atomic<bool> ended{false};
        std::uint64_t framesAtLoss = 0;
        std::thread user([&] {
            waitUntil([&] { return frames() >= 5; });
            framesAtLoss = frames();
            platform::testing::InjectFocus(false);
            waitUntil([&] { return ended || frames() >= framesAtLoss + 50; });
            platform::testing::InjectKeyDown(VK_ESCAPE);  // ends a run that goes on
        });
        platform::ddraw::StartCallLog();
        EXPECT_EQ(RunWinMain(), 0);
        ended = true;
        user.join();
        int restoresRefused = 0;
        for (const auto& call : platform::ddraw::CallLog())
            restoresRefused += call.op == "Restore" && call.result != DD_OK;
        platform::ddraw::StopCallLog();
        EXPECT_EQ(gAppActive.load(), 0u);
        if (windowed) {
            EXPECT_TRUE(Boxes().empty());
            EXPECT_GE(frames(), framesAtLoss + 50);
            EXPECT_EQ(restoresRefused, 0);
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Error in animating.\n"});
            EXPECT_EQ(restoresRefused, 1) << "one restoration, stopped at the primary";
        }
    }
}

TEST_F(ApplicationTest, ClosingTheWindowQuits) {
    std::thread closer([] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (platform::testing::PresentedFrameCount() < 3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        platform::testing::InjectCloseRequest();
    });
    EXPECT_EQ(RunWinMain(), 0);
    closer.join();
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
