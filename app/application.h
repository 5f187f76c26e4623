// The application shell: start-up, the window procedure and the main loop.
#pragma once

#include <windows.h>

// Window, display, scene and timer, in that order; the main window, or null on failure.
HWND InitApplication(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
