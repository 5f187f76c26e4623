#include "app/application.h"
#include "app/globals.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); break;
        case WM_ACTIVATEAPP: gAppActive.store(static_cast<DWORD>(wParam), std::memory_order_release); break;
        case WM_SETCURSOR:
            // No cursor over the window, ever.
            SetCursor(nullptr);
            return TRUE;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE || wParam == VK_F12) PostQuitMessage(0);
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
