// The window: creation, activation, injected host events, closing and destruction.
#include <gtest/gtest.h>

#include "win_test_window.h"

namespace {

namespace pt = platform::testing;
using win_test::Log;
using win_test::MessagesOf;
using win_test::WindowTest;

TEST_F(WindowTest, CreationNeedsARegisteredClassAndAllowsOneWindow) {
    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(pt::HostWindowTitle(), win_test::kTitle);
    EXPECT_EQ(win_test::CreateTestWindow(), nullptr);
    // Class names ignore case, as on Windows.
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_NE(CreateWindowExA(0, "WIN TEST WINDOW", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(WindowTest, AWindowIsActivatedOnceWhenFirstShown) {
    for (const bool visible : {true, false}) {
        pt::UseNullHost();
        Log().clear();
        const HWND window = win_test::CreateTestWindow(visible ? WS_POPUP | WS_VISIBLE : WS_POPUP);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(pt::HostWindowVisible(), visible);
        EXPECT_EQ(ShowWindow(window, SW_SHOWNORMAL), visible);  // returns whether it was visible
        EXPECT_TRUE(pt::HostWindowVisible());
        EXPECT_EQ(SetFocus(window), window);
        ASSERT_EQ(MessagesOf(Log()), std::vector<UINT>{WM_ACTIVATEAPP}) << visible;
        EXPECT_EQ(Log()[0].window, window);
        EXPECT_EQ(Log()[0].wParam, 1u);
    }
}

TEST_F(WindowTest, KeysArePostedAsKeyDownWithTheirVirtualKey) {
    const HWND window = win_test::CreateTestWindow();
    const unsigned keys[] = {VK_ESCAPE, VK_F12, 'A', VK_LEFT};
    for (unsigned key : keys) pt::InjectKeyDown(key);
    MSG msg{};
    for (unsigned key : keys) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ(msg.wParam, key);
    }
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, FocusChangesAreSentAsActivateAppOnlyWhenActivationChanges) {
    const HWND window = win_test::CreateTestWindow();
    MSG msg{};
    const struct {
        bool gained;
        std::vector<WPARAM> expected;  // WM_ACTIVATEAPP wParams received after this event
    } steps[] = {{true, {}}, {false, {0}}, {false, {}}, {true, {1}}};
    for (const auto& step : steps) {
        Log().clear();
        pt::InjectFocus(step.gained);
        // Sent to the procedure while the queue is looked at; nothing is left in the queue.
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        std::vector<WPARAM> got;
        for (const auto& r : Log()) {
            EXPECT_EQ(r.window, window);
            EXPECT_EQ(r.message, static_cast<UINT>(WM_ACTIVATEAPP));
            got.push_back(r.wParam);
        }
        EXPECT_EQ(got, step.expected) << "focus " << (step.gained ? "gained" : "lost");
    }
}

TEST_F(WindowTest, MouseMovesAskTheWindowForItsCursor) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    pt::InjectMouseMove();
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(MessagesOf(Log()), std::vector<UINT>{WM_SETCURSOR});
    EXPECT_EQ(Log()[0].wParam, reinterpret_cast<WPARAM>(window));
    EXPECT_EQ(Log()[0].lParam & 0xFFFF, 1);  // HTCLIENT
    EXPECT_FALSE(pt::CursorVisible());       // the test procedure answers like the program's
}

TEST_F(WindowTest, CloseRequestClosesThroughDefWindowProcAndQuits) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    pt::InjectCloseRequest();
    pt::InjectCloseRequest();  // a window event and a quit event for one click: one WM_CLOSE

    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);

    // DefWindowProcA destroyed the window, whose procedure got WM_DESTROY and posted the quit.
    EXPECT_EQ(MessagesOf(Log()), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
}

TEST_F(WindowTest, HostEventsWithoutAWindowAndUseNullHostLeaveNothingQueued) {
    pt::InjectKeyDown(VK_ESCAPE);
    pt::InjectCloseRequest();
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(0);
    ShowCursor(FALSE);
    pt::UseNullHost();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_TRUE(pt::CursorVisible());
}

}  // namespace
