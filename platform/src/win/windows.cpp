// Window classes and the program's one top-level window.
#include <algorithm>
#include <cctype>
#include <string>

#include "host/host.h"
#include "platform/options.h"
#include "win/win_state.h"
#include "winuser.h"

using platform::win::State;

namespace {

std::string ClassKey(LPCSTR name) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName)) {
        return 0;
    }
    auto& state = State();
    std::lock_guard lock(state.mutex);
    const std::string key = ClassKey(windowClass->lpszClassName);
    // Registering a name twice fails, as it does for a process's own classes on Windows.
    if (state.classes.count(key) != 0 || state.nextAtom == 0) return 0;
    state.classes[key] = windowClass->lpfnWndProc;
    return state.nextAtom++;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU /*menu*/, HINSTANCE /*instance*/, LPVOID /*param*/) {
    // Only what the program makes: one top-level window of a registered class.
    if (className == nullptr || IS_INTRESOURCE(className) || parent != nullptr) return nullptr;
    const bool visible = (style & WS_VISIBLE) != 0;
    const std::string title = windowName != nullptr ? windowName : "";
    HWND window = nullptr;
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        const auto found = state.classes.find(ClassKey(className));
        if (found == state.classes.end() || state.mainWindow != nullptr || state.failCreateWindow) return nullptr;
        if (!platform::host::CurrentHost().CreateMainWindow(title, visible, platform::CurrentOptions().windowed)) {
            return nullptr;
        }
        window = reinterpret_cast<HWND>(state.nextHandle);
        state.nextHandle += 0x10;
        state.windows[window] = platform::win::WindowRecord{
            found->second, title, visible, className, style, exStyle, RECT{x, y, x + width, y + height}};
        state.mainWindow = window;
        if (visible) state.focus = window;
    }
    // A window created visible is activated at once, which tells the application it is active.
    if (visible) platform::win::SetAppActive(true);
    platform::win::ApplyCursor();
    return window;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    const bool visible = showCommand != SW_HIDE;
    bool wasVisible = false;
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        const auto found = state.windows.find(window);
        if (found == state.windows.end()) return FALSE;
        wasVisible = found->second.visible;
        found->second.visible = visible;
        if (visible) state.focus = window;
    }
    platform::host::CurrentHost().ShowMainWindow(visible);
    if (visible) platform::win::SetAppActive(true);
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND window) {
    // The program paints by flipping surfaces; there is never an update region to paint here.
    return platform::win::IsWindowHandle(window) ? TRUE : FALSE;
}

HWND WINAPI SetFocus(HWND window) {
    HWND previous = nullptr;
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        if (window != nullptr && state.windows.count(window) == 0) return nullptr;
        previous = state.focus;
        state.focus = window;
    }
    if (window != nullptr) platform::host::CurrentHost().FocusMainWindow();
    return previous;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!platform::win::IsWindowHandle(window)) return FALSE;
    // The window still exists while its procedure handles WM_DESTROY.
    platform::win::SendToWindow(window, WM_DESTROY, 0, 0);
    bool wasMain = false;
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        if (state.windows.erase(window) == 0) return TRUE;  // destroyed again from its own WM_DESTROY
        if (state.focus == window) state.focus = nullptr;
        wasMain = state.mainWindow == window;
        if (wasMain) {
            state.mainWindow = nullptr;
            state.appActive = false;
        }
    }
    if (wasMain) platform::host::CurrentHost().DestroyMainWindow();
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}
