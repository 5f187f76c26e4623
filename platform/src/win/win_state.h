// The state behind the Windows user-interface calls: registered classes, the window, focus and
// activation, the cursor, message boxes shown. One instance per process, guarded by its mutex;
// window procedures are always called with the mutex released.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "winuser.h"

namespace platform::win {

struct ShownMessageBox {
    HWND owner;
    std::string caption;
    std::string text;
};

struct WindowRecord {
    WNDPROC proc = nullptr;
    std::string title;
    bool visible = false;
    // As asked for by CreateWindowExA; the host decides where the window really goes.
    std::string className;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT placement{};
};

struct WinState {
    std::mutex mutex;
    std::map<std::string, WNDPROC> classes;  // keyed by lower-case name: class names ignore case
    ATOM nextAtom = 0xC000;                  // registered class atoms live in 0xC000..0xFFFF
    std::map<HWND, WindowRecord> windows;
    std::uintptr_t nextHandle = 0x10010;
    HWND mainWindow = nullptr;  // the top-level window shown by the host
    HWND focus = nullptr;
    bool appActive = false;
    int cursorCount = 0;  // ShowCursor's display counter; shown while >= 0
    HCURSOR cursor = nullptr;
    std::vector<ShownMessageBox> boxes;
    std::function<void(const ShownMessageBox&)> boxHook;
    bool failCreateWindow = false;  // a test's "the window system refuses the window"
};

WinState& State();

// Forgets windows, focus, activation, cursor changes, boxes and a refusal of windows (classes and
// the hook stay).
void ResetWindows();

// The program's top-level window, or NULL.
HWND MainWindow();
bool IsWindowHandle(HWND window);

// Calls the window's procedure now, on this thread; 0 when the window is unknown.
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Application activation changed (window shown, focus gained or lost): tells the main window
// with WM_ACTIVATEAPP when the state really changes.
void SetAppActive(bool active);

// Shows or hides the host's cursor after the count or the cursor changed.
void ApplyCursor();

// The arrow cursor handle (the cursor a new window starts with).
HCURSOR ArrowCursor();

}  // namespace platform::win
