#include "app/fatal_error.h"

#include "run_diagnostics.h"

namespace {

constexpr char kCaption[] = "Fatal Error";

}  // namespace

std::int32_t ShowFatalError(HWND window, const char* text) {
    // An unattended run has no one to close the box: the text goes to the error stream instead.
    if (diagnostics::NoteFatalError(kCaption, text)) MessageBoxA(window, text, kCaption, MB_OK);
    return 0;
}
