#include "win/win_state.h"

#include "common/app_activation.h"
#include "host/host.h"

namespace platform::win {

WinState& State() {
    // Never destroyed: a timer thread may still post while the process tears down.
    static auto* state = [] {
        auto* created = new WinState();
        created->cursor = ArrowCursor();
        return created;
    }();
    return *state;
}

void ResetWindows() {
    WinState& state = State();
    std::lock_guard lock(state.mutex);
    state.windows.clear();
    state.mainWindow = nullptr;
    state.focus = nullptr;
    state.appActive = false;
    NoteAppActivation(true);  // no window, nothing in the background
    state.cursorCount = 0;
    state.cursor = ArrowCursor();
    state.boxes.clear();
    state.failCreateWindow = false;
}

HWND MainWindow() {
    WinState& state = State();
    std::lock_guard lock(state.mutex);
    return state.mainWindow;
}

bool IsWindowHandle(HWND window) {
    WinState& state = State();
    std::lock_guard lock(state.mutex);
    return state.windows.count(window) != 0;
}

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        WinState& state = State();
        std::lock_guard lock(state.mutex);
        const auto found = state.windows.find(window);
        if (found == state.windows.end()) return 0;
        proc = found->second.proc;
    }
    return proc != nullptr ? proc(window, message, wParam, lParam) : 0;
}

void SetAppActive(bool active) {
    HWND target = nullptr;
    {
        WinState& state = State();
        std::lock_guard lock(state.mutex);
        if (state.mainWindow == nullptr || state.appActive == active) return;
        state.appActive = active;
        target = state.mainWindow;
    }
    // The facilities first, so that the window procedure already finds exclusive mode lost (or
    // back) when it hears of the change.
    NoteAppActivation(active);
    SendToWindow(target, WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

void ApplyCursor() {
    bool visible = false;
    {
        WinState& state = State();
        std::lock_guard lock(state.mutex);
        visible = state.cursorCount >= 0 && state.cursor != nullptr;
    }
    host::CurrentHost().SetCursorVisible(visible);
}

}  // namespace platform::win
