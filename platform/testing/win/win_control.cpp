#include "win/win_control.h"

namespace platform::testing {

std::vector<ShownMessageBox> MessageBoxesShown() {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    return state.boxes;
}

void SetMessageBoxHook(std::function<void(const ShownMessageBox&)> hook) {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    state.boxHook = std::move(hook);
}

std::optional<WindowRecord> MainWindowRecord() {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    const auto found = state.windows.find(state.mainWindow);
    if (found == state.windows.end()) return std::nullopt;
    return found->second;
}

void RefuseWindows() {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    state.failCreateWindow = true;
}

}  // namespace platform::testing
