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

}  // namespace platform::testing
