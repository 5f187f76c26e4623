// The window system: the message queue, classes and the one window, host events, message boxes, the cursor,
// screen metrics and stock handles.
#include <gtest/gtest.h>

#include <tuple>

#include "win_test_window.h"

namespace {

namespace pt = platform::testing;
using win_test::Log;
using win_test::WindowTest;
using Fields = std::tuple<HWND, UINT, WPARAM, LPARAM>;
constexpr UINT kAppMessage = 0x0400;  // WM_USER: a message of the program's own
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
const HWND kBogus = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7777));

Fields Of(const MSG& m) { return {m.hwnd, m.message, m.wParam, m.lParam}; }
// What the window procedure received.
std::vector<Fields> Sent() {
    std::vector<Fields> all;
    for (const MSG& m : Log()) all.push_back(Of(m));
    return all;
}

TEST_F(WindowTest, PeekLooksOrTakesGetTakesInOrderAndQuitComesLast) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    PostQuitMessage(3);
    for (WPARAM i = 7; i < 10; ++i) ASSERT_TRUE(PostMessageA(window, kAppMessage, i, 8));
    MSG msg{};
    const auto peek = [&](UINT remove) { return PeekMessageA(&msg, nullptr, 0, 0, remove) ? Of(msg) : Fields{}; };
    const auto get = [&](int result) {
        EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), result);
        return Of(msg);
    };
    // As on Windows, the quit comes once nothing else waits, and a look leaves it in place too.
    const Fields seven{window, kAppMessage, 7, 8}, quit{nullptr, WM_QUIT, 3, 0};
    EXPECT_EQ((std::vector<Fields>{peek(PM_NOREMOVE), peek(PM_NOREMOVE), get(1), peek(PM_REMOVE), get(1),
                                   peek(PM_NOREMOVE), get(0), peek(PM_NOREMOVE)}),
              (std::vector<Fields>{
                  seven, seven, seven, {window, kAppMessage, 8, 8}, {window, kAppMessage, 9, 8}, quit, quit, {}}));
    EXPECT_TRUE(!PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE) && !PostMessageA(kBogus, kAppMessage, 0, 0));
    EXPECT_EQ(std::tuple(GetMessageA(nullptr, nullptr, 0, 0), GetMessageA(&msg, kBogus, 0, 0)), std::tuple(-1, -1));
}

TEST_F(WindowTest, FiltersSelectByWindowAndRangeButNeverHoldBackQuit) {
    const HWND window = win_test::CreateTestWindow();
    PostMessageA(nullptr, kAppMessage, 1, 0);  // a thread message, no window
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    const std::tuple<HWND, UINT, UINT, UINT> looks[] = {
        // window, range, what is found (0: nothing)
        {nullptr, 0, 0, kAppMessage},          {window, 0, 0, WM_KEYDOWN},
        {kThreadOnly, 0, 0, kAppMessage},      {nullptr, WM_KEYDOWN, WM_KEYDOWN, WM_KEYDOWN},
        {nullptr, 0, WM_KEYDOWN, WM_KEYDOWN},  {nullptr, WM_KEYDOWN + 1, kAppMessage - 1, 0},
        {window, kAppMessage, kAppMessage, 0}, {nullptr, kAppMessage, 0xFFFF, kAppMessage}};
    MSG msg{};
    for (const auto& [filter, min, max, found] : looks)
        EXPECT_EQ(PeekMessageA(&msg, filter, min, max, PM_NOREMOVE) ? msg.message : 0, found)
            << filter << " " << min << ".." << max;
    EXPECT_EQ(GetMessageA(&msg, kThreadOnly, 0, 0) == 1 ? msg.message : 0, kAppMessage);
    PostQuitMessage(0);
    const auto take = [&](HWND w, UINT min, UINT max) {
        return PeekMessageA(&msg, w, min, max, PM_REMOVE) ? msg.message : 0u;
    };
    EXPECT_EQ((std::vector<UINT>{take(window, WM_KEYUP, WM_KEYUP), take(nullptr, 0, 0), take(nullptr, 0, 0)}),
              (std::vector<UINT>{WM_QUIT, WM_KEYDOWN, 0}));
}

TEST_F(WindowTest, DispatchReturnsTheProceduresResultAndTranslateRecognisesKeys) {
    const HWND window = win_test::CreateTestWindow();
    Log().clear();
    MSG msg{window, WM_SETCURSOR, 5, 6, 0, {}}, app{window, kAppMessage, 5, 6, 0, {}}, thread{};
    // The procedure's answer, DefWindowProcA's, none for thread messages (no procedure) or no message.
    EXPECT_EQ((std::vector<LRESULT>{DispatchMessageA(&msg), DispatchMessageA(&app), DispatchMessageA(&thread),
                                    DispatchMessageA(nullptr)}),
              (std::vector<LRESULT>{TRUE, 0, 0, 0}));
    EXPECT_EQ(Sent(), (std::vector<Fields>{{window, WM_SETCURSOR, 5, 6}, {window, kAppMessage, 5, 6}}));
    for (const UINT message : {UINT{WM_KEYDOWN}, UINT{WM_KEYUP}, UINT{WM_SETCURSOR}, kAppMessage, UINT{WM_QUIT}}) {
        msg.message = message;
        EXPECT_EQ(TranslateMessage(&msg), message == WM_KEYDOWN || message == WM_KEYUP) << message;
    }
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(WindowTest, ClassesAndTheOneTopLevelWindow) {
    WNDCLASSA wc{};
    wc.lpszClassName = "Procedureless";
    EXPECT_FALSE(RegisterClassA(nullptr) || RegisterClassA(&wc));
    wc.lpfnWndProc = win_test::RecordingProc;
    for (LPCSTR name : {LPCSTR{}, LPCSTR{MAKEINTRESOURCEA(5)}, LPCSTR{"win test WINDOW"}}) {  // the last: taken
        wc.lpszClassName = name;
        EXPECT_EQ(RegisterClassA(&wc), 0);
    }
    for (LPCSTR name : {LPCSTR{"No Such Class"}, LPCSTR{MAKEINTRESOURCEA(5)}, LPCSTR{}})
        EXPECT_EQ(CreateWindowExA(0, name, "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(pt::HostWindowTitle(), win_test::kTitle);
    EXPECT_TRUE(UpdateWindow(window) && !UpdateWindow(kBogus));
    EXPECT_EQ(win_test::CreateTestWindow(), nullptr);  // one window only, and never a child
    EXPECT_EQ(CreateWindowExA(0, win_test::kClassName, "x", WS_POPUP, 0, 0, 1, 1, window, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(Sent(), (std::vector<Fields>{{window, WM_ACTIVATEAPP, 1, 0}, {window, WM_DESTROY, 0, 0}}));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_NE(CreateWindowExA(0, "WIN TEST WINDOW", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);  // class names ignore case, as on Windows
}

TEST_F(WindowTest, AWindowIsActivatedOnceWhenFirstShown) {
    for (const bool visible : {true, false}) {
        pt::UseNullHost();
        Log().clear();
        const HWND window = win_test::CreateTestWindow(visible ? WS_POPUP | WS_VISIBLE : WS_POPUP);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(std::tuple(pt::HostWindowVisible(), Log().size()), std::tuple(visible, visible ? 1u : 0u));
        // ShowWindow says whether the window was visible.
        EXPECT_TRUE(ShowWindow(window, SW_SHOWNORMAL) == visible && ShowWindow(window, SW_SHOWNORMAL) &&
                    pt::HostWindowVisible());
        EXPECT_TRUE(SetFocus(kBogus) == nullptr && SetFocus(nullptr) == window);
        EXPECT_EQ(Sent(), (std::vector<Fields>{{window, WM_ACTIVATEAPP, 1, 0}})) << visible;
        EXPECT_TRUE(!ShowWindow(kBogus, SW_SHOWNORMAL) && ShowWindow(window, SW_HIDE) && !pt::HostWindowVisible());
    }
}

TEST_F(WindowTest, HostEventsBecomeKeysActivationsCursorRequestsAndOneClose) {
    const HWND window = win_test::CreateTestWindow();
    const unsigned keys[] = {VK_ESCAPE, VK_F12, 'A', VK_LEFT};
    for (unsigned key : keys) pt::InjectKeyDown(key);
    MSG msg{};
    for (unsigned key : keys)  // a repeat count of 1
        EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? Of(msg) : Fields{},
                  (Fields{window, WM_KEYDOWN, key, 1}));
    // Sent while the queue is looked at: activation changes only, and a cursor request from a
    // move in the client area (HTCLIENT = 1), which the test procedure answers like the program's.
    Log().clear();
    for (const int event : {1, 0, 0, 1, 2}) {  // gained, lost, lost, gained, a mouse move
        event == 2 ? pt::InjectMouseMove() : pt::InjectFocus(event == 1);
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    }
    EXPECT_EQ(Sent(),
              (std::vector<Fields>{{window, WM_ACTIVATEAPP, 0, 0},
                                   {window, WM_ACTIVATEAPP, 1, 0},
                                   {window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 1 | WM_MOUSEMOVE << 16}}));
    EXPECT_FALSE(pt::CursorVisible());
    Log().clear();
    pt::InjectCloseRequest();
    pt::InjectCloseRequest();  // a window event and a quit event for one click: one WM_CLOSE
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    DispatchMessageA(&msg);  // DefWindowProcA destroys the window, whose procedure posts the quit
    EXPECT_EQ(Sent(), (std::vector<Fields>{{window, WM_CLOSE, 0, 0}, {window, WM_DESTROY, 0, 0}}));
    EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0) == 0 && !DestroyWindow(window) &&
                !PostMessageA(window, WM_CLOSE, 0, 0));
    pt::InjectKeyDown(VK_ESCAPE);  // without a window, host events are dropped
    pt::InjectCloseRequest();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, MessageBoxesAreRecordedWrittenToStderrAndRunTheHook) {
    const HWND window = win_test::CreateTestWindow();
    pt::SetMessageBoxHook([](const pt::ShownMessageBox&) { pt::InjectKeyDown(VK_ESCAPE); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ((std::vector{MessageBoxA(window, "Error in animating.\n", "Fatal Error", MB_OK),
                           MessageBoxA(nullptr, "no newline", nullptr, MB_OK),
                           MessageBoxA(nullptr, nullptr, nullptr, MB_OK)}),
              (std::vector{IDOK, IDOK, IDOK}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Fatal Error: Error in animating.\nError: no newline\nError: \n");
    std::vector<std::tuple<HWND, std::string, std::string>> shown;
    for (const auto& box : pt::MessageBoxesShown()) shown.emplace_back(box.owner, box.caption, box.text);
    EXPECT_EQ(shown, (decltype(shown){{window, "Fatal Error", "Error in animating.\n"},
                                      {nullptr, "Error", "no newline"},
                                      {nullptr, "Error", ""}}));
    MSG msg{};
    int pressed = 0;  // by the hook, once a box
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) pressed += msg.wParam == VK_ESCAPE;
    EXPECT_EQ(pressed, 3);
}

TEST_F(WindowTest, TheCursorCountsLikeWindowsAndSetCursorNullHides) {
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    std::vector<int> seen;  // each call's count, and whether the cursor shows after it
    for (const BOOL show : {FALSE, FALSE, TRUE, TRUE}) seen.insert(seen.end(), {ShowCursor(show), pt::CursorVisible()});
    EXPECT_EQ(seen, (std::vector{-1, 0, -2, 0, -1, 0, 0, 1}));
    EXPECT_TRUE(SetCursor(nullptr) == arrow && !pt::CursorVisible());  // a window starts with the arrow
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_TRUE(ShowCursor(TRUE) == 1 && pt::CursorVisible());
}

TEST_F(WindowTest, ScreenMetricsAndDistinctStockHandlesForSystemIdsOnly) {
    EXPECT_EQ(std::tuple(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(2)),
              std::tuple(640, 480, 0));  // the offscreen desktop
    using Get = const void* (*)(int);
    const std::tuple<Get, int, int> kinds[] = {
        // valid ids from, to
        {[](int id) -> const void* { return LoadCursorA(nullptr, MAKEINTRESOURCEA(id)); }, 32512, 32651},
        {[](int id) -> const void* { return LoadIconA(nullptr, MAKEINTRESOURCEA(id)); }, 32512, 32518},
        {[](int id) -> const void* { return GetStockObject(id); }, 0, 19}};
    for (const auto& [get, first, last] : kinds) {
        EXPECT_TRUE(!get(first - 1) && !get(last + 1) && get(first) && get(last)) << first;
        EXPECT_TRUE(get(first) != get(first + 1) && get(last) != get(last - 1)) << first;
    }
    EXPECT_FALSE(GetStockObject(9) || LoadCursorA(nullptr, "arrow"));  // unused; not a system id
}

}  // namespace
