// The program's one way of reporting a fatal condition.
#pragma once

#include <cstdint>

#include <windows.h>

// Shows `text` in a modal box captioned "Fatal Error", owned by `window`, and returns 0 once the
// user has closed it, so callers can return the result as their own failure.
std::int32_t ShowFatalError(HWND window, const char* text);
