// A window for the window-system tests: a registered class whose procedure records every
// message it receives and behaves like the program's (quit on WM_DESTROY, default handling).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "host/null/null_host_control.h"
#include "platform/options.h"
#include "win/win_control.h"
#include "windows.h"

namespace win_test {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Received>& Log() {
    static std::vector<Received> log;
    return log;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({window, message, wParam, lParam});
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_SETCURSOR) {
        SetCursor(nullptr);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

constexpr const char* kClassName = "Win Test Window";
constexpr const char* kTitle = "Win Test Title";

// Classes outlive UseNullHost, so the class is registered once per process.
inline void RegisterTestClass() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    ASSERT_NE(atom, 0);
}

inline HWND CreateTestWindow(DWORD style = WS_POPUP | WS_VISIBLE) {
    return CreateWindowExA(WS_EX_TOPMOST, kClassName, kTitle, style, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

inline std::vector<UINT> MessagesOf(const std::vector<Received>& log) {
    std::vector<UINT> ids;
    for (const Received& r : log) ids.push_back(r.message);
    return ids;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetOptions(platform::Options{});
        platform::testing::UseNullHost();
        RegisterTestClass();
        Log().clear();
    }
    void TearDown() override {
        platform::testing::SetMessageBoxHook(nullptr);
        platform::testing::UseNullHost();
    }
};

}  // namespace win_test
