// The window system: the message queue (peek, get, quit, filters, blocking posters, translate,
// dispatch), classes and the one window (creation, activation, host events, closing), message
// boxes, the cursor, screen metrics and stock handles.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

#include "win_test_window.h"

namespace {

namespace pt = platform::testing;
using win_test::Log;
using win_test::MessagesOf;
using win_test::WindowTest;
using Ids = std::vector<UINT>;
constexpr UINT kAppMessage = 0x0400;  // WM_USER: a message of the program's own
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
const HWND kBogus = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7777));

auto Fields(const MSG& m) { return std::tuple(m.hwnd, m.message, m.wParam, m.lParam); }

TEST_F(WindowTest, PeekLooksOrTakesGetTakesInOrderAndQuitComesLast) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    PostQuitMessage(3);
    for (WPARAM i = 7; i < 10; ++i) ASSERT_TRUE(PostMessageA(window, kAppMessage, i, 8));
    MSG msg{};
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(Fields(msg), Fields(MSG{window, kAppMessage, 7, 8, 0, {}}));
    }
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 8u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 9u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));  // as on Windows, quit once nothing else waits
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(Fields(msg), Fields(MSG{nullptr, WM_QUIT, 3, 0, 0, {}}));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) || PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageA(&msg, kBogus, 0, 0), -1);
    EXPECT_FALSE(PostMessageA(kBogus, kAppMessage, 0, 0));
}

TEST_F(WindowTest, FiltersSelectByWindowAndRangeButNeverHoldBackQuit) {
    const HWND window = win_test::CreateTestWindow();
    PostMessageA(nullptr, kAppMessage, 1, 0);  // a thread message, no window
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    const struct {
        HWND window;
        UINT min, max, found;  // 0: nothing
    } looks[] = {{nullptr, 0, 0, kAppMessage},          {window, 0, 0, WM_KEYDOWN},
                 {kThreadOnly, 0, 0, kAppMessage},      {nullptr, WM_KEYDOWN, WM_KEYDOWN, WM_KEYDOWN},
                 {nullptr, 0, WM_KEYDOWN, WM_KEYDOWN},  {nullptr, WM_KEYDOWN + 1, kAppMessage - 1, 0},
                 {window, kAppMessage, kAppMessage, 0}, {nullptr, kAppMessage, 0xFFFF, kAppMessage}};
    MSG msg{};
    for (const auto& l : looks)
        EXPECT_EQ(PeekMessageA(&msg, l.window, l.min, l.max, PM_NOREMOVE) ? msg.message : 0, l.found) << &l - looks;
    EXPECT_EQ(GetMessageA(&msg, kThreadOnly, 0, 0), 1);
    EXPECT_EQ(msg.message, kAppMessage);
    PostQuitMessage(0);
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_KEYUP, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, MessagesFromOtherThreadsWakeGetAndArriveInEachThreadsOrder) {
    const HWND window = win_test::CreateTestWindow();
    constexpr int kThreads = 3, kEach = 500;
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

TEST_F(WindowTest, DispatchReturnsTheProceduresResultAndTranslateRecognisesKeys) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    MSG msg{window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&msg), TRUE);
    msg.message = kAppMessage;
    EXPECT_EQ(DispatchMessageA(&msg), 0);  // DefWindowProcA's answer
    EXPECT_EQ(Fields(Log().at(0)), Fields(MSG{window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0, 0, {}}));
    msg.hwnd = nullptr;  // thread messages have no procedure
    EXPECT_EQ(DispatchMessageA(&msg) + DispatchMessageA(nullptr), 0);
    EXPECT_EQ(MessagesOf(Log()), (Ids{WM_SETCURSOR, kAppMessage}));
    for (const UINT message : {UINT{WM_KEYDOWN}, UINT{WM_KEYUP}, UINT{WM_SETCURSOR}, kAppMessage, UINT{WM_QUIT}}) {
        msg.message = message;
        EXPECT_EQ(TranslateMessage(&msg), message == WM_KEYDOWN || message == WM_KEYUP) << message;
    }
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(WindowTest, ClassesAndTheOneTopLevelWindow) {
    WNDCLASSA wc{};
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    wc.lpszClassName = "Procedureless";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = win_test::RecordingProc;
    for (LPCSTR name :
         {LPCSTR{}, LPCSTR{MAKEINTRESOURCEA(5)}, LPCSTR{"win test WINDOW"}}) {  // the last: registered already
        wc.lpszClassName = name;
        EXPECT_EQ(RegisterClassA(&wc), 0);
    }
    for (LPCSTR name : {LPCSTR{"No Such Class"}, LPCSTR{MAKEINTRESOURCEA(5)}, LPCSTR{}})
        EXPECT_EQ(CreateWindowExA(0, name, "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(pt::HostWindowTitle(), win_test::kTitle);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_FALSE(UpdateWindow(kBogus));
    EXPECT_EQ(win_test::CreateTestWindow(), nullptr);  // one window only, and never a child
    EXPECT_EQ(CreateWindowExA(0, win_test::kClassName, "x", WS_POPUP, 0, 0, 1, 1, window, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(MessagesOf(Log()), (Ids{WM_ACTIVATEAPP, WM_DESTROY}));
    const HWND again =
        CreateWindowExA(0, "WIN TEST WINDOW", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(again, nullptr);  // class names ignore case, as on Windows
}

TEST_F(WindowTest, AWindowIsActivatedOnceWhenFirstShownAndFocusReportsThePrevious) {
    for (const bool visible : {true, false}) {
        pt::UseNullHost();
        Log().clear();
        const HWND window = win_test::CreateTestWindow(visible ? WS_POPUP | WS_VISIBLE : WS_POPUP);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(pt::HostWindowVisible(), visible);
        EXPECT_EQ(Log().size(), visible ? 1u : 0u);
        EXPECT_EQ(ShowWindow(window, SW_SHOWNORMAL), visible);  // whether it was visible
        EXPECT_EQ(ShowWindow(window, SW_SHOWNORMAL), TRUE);
        EXPECT_TRUE(pt::HostWindowVisible());
        EXPECT_EQ(SetFocus(window), window);
        EXPECT_EQ(SetFocus(kBogus), nullptr);
        EXPECT_EQ(SetFocus(nullptr), window);
        EXPECT_EQ(SetFocus(window), nullptr);
        ASSERT_EQ(MessagesOf(Log()), Ids{WM_ACTIVATEAPP}) << visible;
        EXPECT_EQ(Fields(Log()[0]), Fields(MSG{window, WM_ACTIVATEAPP, 1, 0, 0, {}}));
        EXPECT_FALSE(ShowWindow(kBogus, SW_SHOWNORMAL));
        EXPECT_TRUE(ShowWindow(window, SW_HIDE));
        EXPECT_FALSE(pt::HostWindowVisible());
    }
}

TEST_F(WindowTest, HostEventsBecomeKeyMessagesActivationAndCursorRequests) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    const unsigned keys[] = {VK_ESCAPE, VK_F12, 'A', VK_LEFT};
    for (unsigned key : keys) pt::InjectKeyDown(key);
    MSG msg{};
    for (unsigned key : keys) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(Fields(msg), Fields(MSG{window, WM_KEYDOWN, key, 1, 0, {}}));  // a repeat count of 1
    }
    // Focus changes are sent while the queue is looked at, only when activation changes.
    const struct {
        bool gained;
        std::vector<WPARAM> activations;
    } steps[] = {{true, {}}, {false, {0}}, {false, {}}, {true, {1}}};
    for (const auto& step : steps) {
        Log().clear();
        pt::InjectFocus(step.gained);
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        std::vector<WPARAM> got;
        for (const MSG& r : Log()) got.push_back(r.hwnd == window && r.message == WM_ACTIVATEAPP ? r.wParam : 99);
        EXPECT_EQ(got, step.activations) << "focus " << (step.gained ? "gained" : "lost");
    }
    Log().clear();
    pt::InjectMouseMove();  // asks the window for its cursor: in the client area (HTCLIENT = 1), moving
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(MessagesOf(Log()), Ids{WM_SETCURSOR});
    EXPECT_EQ(Fields(Log()[0]),
              Fields(MSG{window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 1 | (WM_MOUSEMOVE << 16), 0, {}}));
    EXPECT_FALSE(pt::CursorVisible());  // the test procedure answers like the program's
}

TEST_F(WindowTest, CloseRequestClosesThroughDefWindowProcAndQuits) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    pt::InjectCloseRequest();
    pt::InjectCloseRequest();  // a window event and a quit event for one click: one WM_CLOSE
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(Fields(msg), Fields(MSG{window, WM_CLOSE, 0, 0, 0, {}}));
    DispatchMessageA(&msg);
    // DefWindowProcA destroyed the window, whose procedure got WM_DESTROY and posted the quit.
    EXPECT_EQ(MessagesOf(Log()), (Ids{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
    pt::InjectKeyDown(VK_ESCAPE);  // without a window host events are dropped
    pt::InjectCloseRequest();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, UseNullHostForgetsTheWindowTheQueueAndTheCursor) {
    const HWND window = win_test::CreateTestWindow();
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(0);
    ShowCursor(FALSE);
    pt::UseNullHost();
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_TRUE(pt::CursorVisible());
}

TEST_F(WindowTest, MessageBoxesAreRecordedWrittenToStderrAndRunTheHook) {
    const HWND window = win_test::CreateTestWindow();
    int calls = 0;
    pt::SetMessageBoxHook([&](const pt::ShownMessageBox& box) {
        EXPECT_EQ(box.caption, ++calls == 1 ? "Fatal Error" : "Error");
        pt::InjectKeyDown(VK_ESCAPE);
    });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(window, "Error in animating.\n", "Fatal Error", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "no newline", nullptr, MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Fatal Error: Error in animating.\nError: no newline\nError: \n");
    EXPECT_EQ(calls, 3);
    const auto boxes = pt::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(std::tie(boxes[0].owner, boxes[0].caption, boxes[0].text),
              std::tuple(window, std::string("Fatal Error"), std::string("Error in animating.\n")));
    EXPECT_EQ(std::tie(boxes[1].owner, boxes[1].text), std::tuple(HWND{}, std::string("no newline")));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // what the hook pressed
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
}

TEST_F(WindowTest, TheCursorCountsLikeWindowsAndSetCursorNullHides) {
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_FALSE(pt::CursorVisible());
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(pt::CursorVisible());
    EXPECT_EQ(SetCursor(nullptr), arrow);  // a window starts with the arrow
    EXPECT_FALSE(pt::CursorVisible());
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_TRUE(pt::CursorVisible());
}

TEST_F(WindowTest, ScreenMetricsAndDistinctStockHandlesForSystemIdsOnly) {
    EXPECT_EQ(std::tuple(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(2)),
              std::tuple(640, 480, 0));  // the offscreen desktop
    const auto cursor = [](int id) { return static_cast<const void*>(LoadCursorA(nullptr, MAKEINTRESOURCEA(id))); };
    const auto icon = [](int id) { return static_cast<const void*>(LoadIconA(nullptr, MAKEINTRESOURCEA(id))); };
    const auto stock = [](int id) { return static_cast<const void*>(GetStockObject(id)); };
    const struct {
        const void* (*get)(int);
        int first, last;  // valid ids, around those just outside
    } kinds[] = {{+cursor, 32512, 32651}, {+icon, 32512, 32518}, {+stock, 0, 19}};
    for (const auto& k : kinds) {
        EXPECT_EQ(k.get(k.first - 1), nullptr) << k.first;
        EXPECT_EQ(k.get(k.last + 1), nullptr) << k.first;
        EXPECT_NE(k.get(k.first), nullptr) << k.first;
        EXPECT_NE(k.get(k.last), nullptr) << k.first;
        EXPECT_NE(k.get(k.first), k.get(k.first + 1)) << k.first;
        EXPECT_NE(k.get(k.last), k.get(k.last - 1)) << k.first;
    }
    EXPECT_EQ(GetStockObject(9), nullptr);  // unused
    EXPECT_EQ(LoadCursorA(nullptr, "arrow"), nullptr);
}

}  // namespace
