// Test controls of the window system: the message boxes a user would have seen.
#pragma once

#include <functional>
#include <vector>

#include "win/win_state.h"

namespace platform::testing {

using ShownMessageBox = win::ShownMessageBox;

std::vector<ShownMessageBox> MessageBoxesShown();
// Called on the showing thread while a message box is "up", before MessageBoxA returns; an
// empty function removes the hook.
void SetMessageBoxHook(std::function<void(const ShownMessageBox&)> hook);

}  // namespace platform::testing
