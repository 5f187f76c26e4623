// The message queue: peek without removing, get, quit, filters, blocking and many posters.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "win_test_window.h"

namespace {

using win_test::WindowTest;

constexpr UINT kAppMessage = 0x0400;  // WM_USER: a message of the program's own

TEST_F(WindowTest, PeekWithoutRemoveKeepsTheMessageAndGetTakesThemInOrder) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    for (WPARAM i = 7; i < 10; ++i) ASSERT_TRUE(PostMessageA(window, kAppMessage, i, 8));

    MSG msg{};
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_EQ(msg.message, kAppMessage);
        EXPECT_EQ(msg.wParam, 7u);
        EXPECT_EQ(msg.lParam, 8);
    }
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 8u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(WindowTest, QuitEndsGetWithTheExitCodeAfterWaitingMessages) {
    const HWND window = win_test::CreateTestWindow();
    PostQuitMessage(3);
    PostMessageA(window, kAppMessage, 0, 0);

    MSG msg{};
    // Like Windows, the quit request is handed out once nothing else is waiting.
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, kAppMessage);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(WindowTest, FiltersSelectByWindowAndRangeButNeverHoldBackQuit) {
    const HWND window = win_test::CreateTestWindow();
    PostMessageA(nullptr, kAppMessage, 1, 0);  // a thread message, no window
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE));

    PostQuitMessage(0);
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
}

TEST_F(WindowTest, GetMessageReportsBadArgumentsWithMinusOne) {
    MSG msg{};
    const HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7777));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageA(&msg, bogus, 0, 0), -1);
    EXPECT_FALSE(PostMessageA(bogus, kAppMessage, 0, 0));
}

TEST_F(WindowTest, MessagesFromOtherThreadsWakeGetAndArriveInEachThreadsOrder) {
    const HWND window = win_test::CreateTestWindow();
    constexpr int kThreads = 3;
    constexpr int kEach = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([window, t] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));  // Get blocks meanwhile
            for (int i = 0; i < kEach; ++i) PostMessageA(window, kAppMessage, static_cast<WPARAM>(t), i);
        });
    }
    std::vector<LPARAM> next(kThreads, 0);
    MSG msg{};
    for (int received = 0; received < kThreads * kEach; ++received) {
        ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
        ASSERT_LT(msg.wParam, static_cast<WPARAM>(kThreads));
        EXPECT_EQ(msg.lParam, next[msg.wParam]++);
    }
    for (auto& poster : posters) poster.join();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(WindowTest, DispatchCallsTheWindowProcedureAndReturnsItsResult) {
    const HWND window = win_test::CreateTestWindow();
    win_test::Log().clear();
    MSG msg{window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&msg), TRUE);
    ASSERT_EQ(win_test::MessagesOf(win_test::Log()), std::vector<UINT>{WM_SETCURSOR});
    EXPECT_EQ(win_test::Log()[0].window, window);

    msg.hwnd = nullptr;  // thread messages have no procedure
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(win_test::Log().size(), 1u);
}

}  // namespace
