// Test controls of the window system: the message boxes a user would have seen.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "win/win_state.h"

namespace platform::testing {

using ShownMessageBox = win::ShownMessageBox;
using WindowRecord = win::WindowRecord;

std::vector<ShownMessageBox> MessageBoxesShown();
// Called on the showing thread while a message box is "up", before MessageBoxA returns; an
// empty function removes the hook.
void SetMessageBoxHook(std::function<void(const ShownMessageBox&)> hook);

// The program's main window as it was created; empty when there is none.
std::optional<WindowRecord> MainWindowRecord();
// Until the next UseNullHost, CreateWindowExA fails as when the window system refuses a window.
void RefuseWindows();

}  // namespace platform::testing
