// The message queue: peek without removing, get, quit, filters, blocking and many posters.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "win_test_window.h"

namespace {

using win_test::WindowTest;

constexpr UINT kAppMessage = 0x0400;  // WM_USER: a message of the program's own

TEST_F(WindowTest, PeekWithoutRemoveKeepsTheMessageAndGetTakesIt) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, kAppMessage, 7, 8));

    MSG msg{};
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_EQ(msg.message, kAppMessage);
        EXPECT_EQ(msg.wParam, 7u);
        EXPECT_EQ(msg.lParam, 8);
    }
    MSG taken{};
    EXPECT_EQ(GetMessageA(&taken, nullptr, 0, 0), 1);
    EXPECT_EQ(taken.message, kAppMessage);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(WindowTest, PeekWithRemoveTakesMessagesInPostingOrder) {
    const HWND window = win_test::CreateTestWindow();
    for (WPARAM i = 0; i < 3; ++i) PostMessageA(window, kAppMessage, i, 0);
    MSG msg{};
    for (WPARAM i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, i);
    }
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, QuitEndsGetWithTheExitCodeAfterWaitingMessages) {
    const HWND window = win_test::CreateTestWindow();
    PostQuitMessage(3);
    PostMessageA(window, kAppMessage, 0, 0);

    MSG msg{};
    // Like Windows, the quit request is handed out once nothing else is waiting.
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, kAppMessage);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
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
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7777)), 0, 0), -1);
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7777)), kAppMessage, 0, 0));
}

TEST_F(WindowTest, GetMessageBlocksUntilAnotherThreadPosts) {
    const HWND window = win_test::CreateTestWindow();
    std::thread poster([window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageA(window, kAppMessage, 42, 0);
    });
    MSG msg{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    const auto waited = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_GE(waited, std::chrono::milliseconds(40));
}

TEST_F(WindowTest, MessagesFromManyThreadsArriveWholeAndInEachThreadsOrder) {
    const HWND window = win_test::CreateTestWindow();
    constexpr int kThreads = 3;
    constexpr int kEach = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([window, t] {
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
    MSG msg{};
    msg.hwnd = window;
    msg.message = WM_SETCURSOR;
    msg.wParam = reinterpret_cast<WPARAM>(window);
    EXPECT_EQ(DispatchMessageA(&msg), TRUE);
    ASSERT_EQ(win_test::Log().size(), 1u);
    EXPECT_EQ(win_test::Log()[0].window, window);
    EXPECT_EQ(win_test::Log()[0].message, static_cast<UINT>(WM_SETCURSOR));

    msg.hwnd = nullptr;  // thread messages have no procedure
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(win_test::Log().size(), 1u);
}

TEST_F(WindowTest, TranslateMessageReportsKeyMessages) {
    MSG key{};
    key.message = WM_KEYDOWN;
    EXPECT_TRUE(TranslateMessage(&key));
    MSG other{};
    other.message = kAppMessage;
    EXPECT_FALSE(TranslateMessage(&other));
}

}  // namespace
