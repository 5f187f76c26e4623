// The whole program in-process on the offscreen host: start-up, the main loop, the keys, the
// window procedure and the fatal paths, all ending with exit code 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <tuple>

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

// When armed, the next nothrow allocation of the chosen size and form (object or array) fails, as
// on an exhausted heap; the program's records each have a size and form of their own. The real
// allocation goes through the throwing form, so sanitizers pair it with the delete that frees it.
std::atomic<std::size_t> gNothrowFailsFor{0}, gNothrowArrayFailsFor{0};

void* AllocateOrFail(std::atomic<std::size_t>& armedFor, std::size_t size, void* (*allocate)(std::size_t)) noexcept {
    std::size_t armed = size;
    if (size != 0 && armedFor.compare_exchange_strong(armed, 0)) return nullptr;
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrFail(gNothrowFailsFor, size, [](std::size_t n) { return ::operator new(n); });
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrFail(gNothrowArrayFailsFor, size, [](std::size_t n) { return ::operator new[](n); });
}

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
        platform::testing::SetMessageBoxHook(nullptr);
        platform::SetOptions(platform::Options{});
        EXPECT_EQ(gDisplay, nullptr);
        EXPECT_EQ(gScene, nullptr);
        EXPECT_EQ(gTimerId, 0u) << "no timer outlives WinMain";
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
    }
    static int RunWinMain() { return WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }
    // Waits, as a user's thread does, until the condition holds (at most 20 s).
    template <typename Condition>
    static void WaitUntil(Condition done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    static std::uint64_t Frames() { return platform::testing::PresentedFrameCount(); }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : platform::testing::MessageBoxesShown()) {
            EXPECT_EQ(box.caption, "Fatal Error");
            texts.push_back(box.text);
        }
        return texts;
    }
};

// Escape, F12 and closing the window each end a run; other keys change nothing.
TEST_F(ApplicationTest, EscapeF12AndClosingQuitOtherKeysDoNothing) {
    for (const unsigned quitKey : {unsigned{VK_ESCAPE}, unsigned{VK_F12}, 0u}) {
        SCOPED_TRACE(quitKey);
        platform::testing::UseNullHost();
        std::thread user([quitKey] {
            WaitUntil([] { return Frames() >= 5; });
            for (unsigned key : {unsigned{'A'}, unsigned{VK_SPACE}, unsigned{VK_F1}})
                platform::testing::InjectKeyDown(key);
            // After the harmless keys, frames go on; then the quitting key.
            const std::uint64_t framesAtKeys = Frames();
            WaitUntil([&] { return Frames() >= framesAtKeys + 200; });
            quitKey != 0 ? platform::testing::InjectKeyDown(quitKey) : platform::testing::InjectCloseRequest();
        });
        EXPECT_EQ(RunWinMain(), 0);
        user.join();
        EXPECT_GE(Frames(), 205u) << "the other keys did not end the run";
        EXPECT_TRUE(Boxes().empty());
    }
}

// The window is made as a full-screen topmost popup of the program's class, shown and activated,
// the cursor is hidden before any WM_SETCURSOR asks, and the scene moves.
TEST_F(ApplicationTest, StartUpMakesTheWindowAndTheSceneMoves) {
    std::vector<std::uint16_t> early;
    bool cursorHidden = false;
    std::thread watcher([&] {
        WaitUntil([] { return Frames() >= 4; });
        early = platform::testing::LastPresentedFrame();
        cursorHidden = !platform::testing::CursorVisible();  // no mouse moved: no WM_SETCURSOR yet
        // A few 66 ms ticks later the creature stands elsewhere, and a frame shows it there.
        WaitUntil([] { return gScene != nullptr && gScene->gnollX.load() >= 15; });
        const std::uint64_t moved = Frames();
        WaitUntil([&] { return Frames() >= moved + 2; });
        platform::testing::InjectKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(RunWinMain(), 0);
    watcher.join();
    EXPECT_NE(gAppActive.load(), 0u) << "showing the window activated the application";
    EXPECT_TRUE(cursorHidden);
    const auto window = platform::testing::MainWindowRecord();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->className, "Generic Game SDK Window");
    EXPECT_EQ(window->title, "Vornhollow Test Program");
    EXPECT_EQ(window->style, DWORD{WS_POPUP | WS_VISIBLE});
    EXPECT_EQ(window->exStyle, DWORD{WS_EX_TOPMOST});
    const RECT& at = window->placement;
    EXPECT_EQ(std::tuple(at.left, at.top, at.right, at.bottom),
              std::tuple(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
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

const DWORD gActiveAtLoad = gAppActive.load();  // before any test: the program starts inactive
TEST_F(ApplicationTest, SetCursorIsAnsweredWithNoCursorAndActivationIsKept) {
    EXPECT_TRUE(MainWindowProc(nullptr, WM_SETCURSOR, 0, 0) == TRUE && !platform::testing::CursorVisible());
    std::vector<unsigned> active{gActiveAtLoad};
    for (const WPARAM now : {1, 0}) MainWindowProc(nullptr, WM_ACTIVATEAPP, now, 0), active.push_back(gAppActive);
    EXPECT_EQ(active, (std::vector<unsigned>{0, 1, 0}));
}

// Start-up failures outside DirectDraw (whose failures the fault sweep covers): each ends the
// program with exit code 0 and at most one box, shown with no timer running, and no frame.
TEST_F(ApplicationTest, StartUpFailuresEndTheProgramWithTheirBox) {
    const struct {
        const char* what;
        std::size_t objectFails, arrayFails;  // the size of the nothrow allocation made to fail
        bool refuseWindow, failTimer;
        const char* box;  // nullptr: none
    } cases[] = {
        {"no window", 0, 0, true, false, nullptr},
        {"no display record", sizeof(DisplayContext), 0, false, false, "Not enough memory to start.\n"},
        {"no surface table", 0, sizeof(IDirectDrawSurface*) * kSurfaceSlotCount, false, false,
         "Not enough memory to start.\n"},
        {"no scene record", sizeof(SceneState), 0, false, false, "Not enough memory to start.\n"},
        {"no timer", 0, 0, false, true, "Timer thread cannot start.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::UseNullHost();
        if (c.refuseWindow) platform::testing::RefuseWindows();
        platform::testing::FailTimeSetEvent(c.failTimer);
        gNothrowFailsFor = c.objectFails;
        gNothrowArrayFailsFor = c.arrayFails;
        std::vector<UINT> timerAtBox;
        platform::testing::SetMessageBoxHook([&](const auto&) { timerAtBox.push_back(gTimerId); });
        EXPECT_EQ(RunWinMain(), 0);
        platform::testing::SetMessageBoxHook(nullptr);
        EXPECT_EQ(gNothrowFailsFor.exchange(0) + gNothrowArrayFailsFor.exchange(0), 0u) << "no such allocation";
        EXPECT_EQ(Boxes(), c.box != nullptr ? std::vector<std::string>{c.box} : std::vector<std::string>{});
        EXPECT_EQ(timerAtBox, std::vector<UINT>(Boxes().size(), 0u));
        EXPECT_EQ(Frames(), 0u);
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
    }
}

// The fifth flip fails: four frames were shown, the fifth was composed and refused, and the timer
// was stopped before the box came up.
TEST_F(ApplicationTest, AFailingFrameShowsOneBoxAndNothingMoreIsDrawn) {
    platform::ddraw::InjectFault("Flip", 5, DDERR_GENERIC);
    platform::ddraw::StartCallLog();
    UINT timerAtBox = 1;
    platform::testing::SetMessageBoxHook([&](const auto&) { timerAtBox = gTimerId; });
    EXPECT_EQ(RunWinMain(), 0);
    platform::testing::SetMessageBoxHook(nullptr);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error in animating.\n"});
    EXPECT_EQ(timerAtBox, 0u);
    EXPECT_EQ(Frames(), 4u);
    int flips = 0;
    for (const auto& call : platform::ddraw::CallLog()) flips += call.op == "Flip";
    EXPECT_EQ(flips, 5) << "no frame is composed after the failure";
    platform::ddraw::StopCallLog();
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
        std::atomic<bool> ended{false};
        std::uint64_t framesAtLoss = 0;
        std::thread user([&] {
            WaitUntil([&] { return Frames() >= 5; });
            framesAtLoss = Frames();
            platform::testing::InjectFocus(false);
            WaitUntil([&] { return ended || Frames() >= framesAtLoss + 50; });
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
            EXPECT_GE(Frames(), framesAtLoss + 50);
            EXPECT_EQ(restoresRefused, 0);
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Error in animating.\n"});
            EXPECT_EQ(restoresRefused, 1) << "one restoration, stopped at the primary";
        }
    }
}

}  // namespace
