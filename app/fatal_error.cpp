#include "app/fatal_error.h"

std::int32_t ShowFatalError(HWND window, const char* text) {
    MessageBoxA(window, text, "Fatal Error", MB_OK);
    return 0;
}
