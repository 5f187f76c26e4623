// The cursor's display counter and current cursor, and the screen metrics.
#include "host/host.h"
#include "win/win_state.h"
#include "winuser.h"

int WINAPI ShowCursor(BOOL show) {
    int count = 0;
    {
        auto& state = platform::win::State();
        std::lock_guard lock(state.mutex);
        count = state.cursorCount += show ? 1 : -1;
    }
    platform::win::ApplyCursor();
    return count;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    HCURSOR previous = nullptr;
    {
        auto& state = platform::win::State();
        std::lock_guard lock(state.mutex);
        previous = state.cursor;
        state.cursor = cursor;
    }
    platform::win::ApplyCursor();
    return previous;
}

int WINAPI GetSystemMetrics(int index) {
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) return 0;
    int width = 0;
    int height = 0;
    platform::host::CurrentHost().DesktopSize(width, height);
    return index == SM_CXSCREEN ? width : height;
}
