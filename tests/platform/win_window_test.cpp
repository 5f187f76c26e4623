// The window: creation, activation, injected host events, closing and destruction.
#include <gtest/gtest.h>

#include "win_test_window.h"

namespace {

using platform::testing::InjectCloseRequest;
using platform::testing::InjectFocus;
using platform::testing::InjectKeyDown;
using platform::testing::InjectMouseMove;
using win_test::Log;
using win_test::MessagesOf;
using win_test::WindowTest;

std::vector<UINT> Only(UINT message) { return {message}; }

TEST_F(WindowTest, CreationNeedsARegisteredClassAndAllowsOneWindow) {
    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_FALSE(platform::testing::HostWindowExists());

    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(platform::testing::HostWindowExists());
    EXPECT_EQ(platform::testing::HostWindowTitle(), win_test::kTitle);
    EXPECT_EQ(win_test::CreateTestWindow(), nullptr);

    // Class names ignore case, as on Windows.
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_NE(CreateWindowExA(0, "WIN TEST WINDOW", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(WindowTest, RegisteringTheSameClassTwiceFails) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = win_test::RecordingProc;
    wc.lpszClassName = win_test::kClassName;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
}

TEST_F(WindowTest, AVisibleWindowIsActivatedOnceWhenCreated) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(MessagesOf(Log()), Only(WM_ACTIVATEAPP));
    EXPECT_EQ(Log()[0].window, window);
    EXPECT_EQ(Log()[0].wParam, 1u);
    EXPECT_TRUE(platform::testing::HostWindowVisible());

    // Showing, updating and focusing the already active window change nothing.
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(SetFocus(window), window);
    EXPECT_EQ(Log().size(), 1u);
}

TEST_F(WindowTest, AHiddenWindowIsActivatedWhenShown) {
    const HWND window = win_test::CreateTestWindow(WS_POPUP);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(platform::testing::HostWindowVisible());

    EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));  // was hidden
    EXPECT_TRUE(platform::testing::HostWindowVisible());
    ASSERT_EQ(MessagesOf(Log()), Only(WM_ACTIVATEAPP));
    EXPECT_EQ(Log()[0].wParam, 1u);
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));  // was visible
    EXPECT_FALSE(platform::testing::HostWindowVisible());
}

TEST_F(WindowTest, KeysArePostedAsKeyDownWithTheirVirtualKey) {
    const HWND window = win_test::CreateTestWindow();
    const unsigned keys[] = {VK_ESCAPE, VK_F12, 'A', '7', VK_LEFT, VK_SPACE};
    for (unsigned key : keys) InjectKeyDown(key);
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
    Log().clear();
    MSG msg{};
    const struct {
        bool gained;
        std::vector<WPARAM> expected;  // WM_ACTIVATEAPP wParams received after this event
    } steps[] = {{true, {}}, {false, {0}}, {false, {}}, {true, {1}}};
    for (const auto& step : steps) {
        Log().clear();
        InjectFocus(step.gained);
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
    ASSERT_TRUE(platform::testing::CursorVisible());
    InjectMouseMove();
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(MessagesOf(Log()), Only(WM_SETCURSOR));
    EXPECT_EQ(Log()[0].wParam, reinterpret_cast<WPARAM>(window));
    EXPECT_EQ(Log()[0].lParam & 0xFFFF, 1);  // HTCLIENT
    // The test procedure answers like the program's: no cursor.
    EXPECT_FALSE(platform::testing::CursorVisible());
}

TEST_F(WindowTest, CloseRequestClosesThroughDefWindowProcAndQuits) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    InjectCloseRequest();
    InjectCloseRequest();  // a window event and a quit event for one click: one WM_CLOSE

    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);

    // The procedure passed WM_CLOSE on; DefWindowProcA destroyed the window, whose procedure got
    // WM_DESTROY and posted the quit.
    EXPECT_EQ(MessagesOf(Log()), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(platform::testing::HostWindowExists());
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
}

TEST_F(WindowTest, HostEventsWithoutAWindowAreDropped) {
    InjectKeyDown(VK_ESCAPE);
    InjectCloseRequest();
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, UseNullHostForgetsWindowsAndQueuedMessages) {
    const HWND window = win_test::CreateTestWindow();
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(0);
    ShowCursor(FALSE);
    platform::testing::UseNullHost();

    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(platform::testing::HostWindowExists());
    EXPECT_TRUE(platform::testing::CursorVisible());
    EXPECT_NE(win_test::CreateTestWindow(), nullptr);
}

}  // namespace
