// A window for the window-system tests: its procedure records every message it receives and
// behaves like the program's (quit on WM_DESTROY, cursor hidden on WM_SETCURSOR).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "host/null/null_host_control.h"
#include "platform/options.h"
#include "win/win_control.h"
#include "windows.h"

namespace win_test {

inline std::vector<MSG>& Log() {
    static std::vector<MSG> log;
    return log;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back(MSG{window, message, wParam, lParam, 0, {}});
    if (message == WM_DESTROY) PostQuitMessage(0);
    return message == WM_SETCURSOR ? (SetCursor(nullptr), TRUE) : DefWindowProcA(window, message, wParam, lParam);
}

constexpr const char *kClassName = "Win Test Window", *kTitle = "Win Test Title";

inline HWND CreateTestWindow(DWORD style = WS_POPUP | WS_VISIBLE) {
    return CreateWindowExA(WS_EX_TOPMOST, kClassName, kTitle, style, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetOptions(platform::Options{});
        platform::testing::UseNullHost();
        // Classes outlive UseNullHost: one registration per process.
        static const WNDCLASSA wc{
            0, RecordingProc, 0, 0, nullptr, nullptr, LoadCursorA(nullptr, IDC_ARROW), nullptr, nullptr, kClassName};
        static const ATOM atom = RegisterClassA(&wc);
        ASSERT_NE(atom, 0);
        Log().clear();
    }
    void TearDown() override {
        platform::testing::SetMessageBoxHook(nullptr);
        platform::SetOptions(platform::Options{});
        platform::testing::UseNullHost();
    }
};

}  // namespace win_test
