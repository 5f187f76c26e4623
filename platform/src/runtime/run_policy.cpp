#include "runtime/run_policy.h"

#include <cstdint>

#include "present/presenter.h"
#include "win/win_state.h"
#include "winuser.h"

namespace platform::runtime {
namespace {

// Escape pressed on the program's window; with no window, a plain quit.
void PressEscape() {
    const HWND window = win::MainWindow();
    if (window == nullptr || !PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001)) PostQuitMessage(0);
}

}  // namespace

void InstallRunPolicy(const Options& options) {
    const std::uint64_t last = options.frames;
    if (last == 0) {
        RemoveRunPolicy();
        return;
    }
    SetFramePresentedHook([last](std::uint64_t number) {
        if (number == last) PressEscape();
    });
}

void RemoveRunPolicy() { SetFramePresentedHook(nullptr); }

}  // namespace platform::runtime
