// Test controls of the offscreen host: a fresh one, window-system events injected into it, and
// what a user would have seen of the window and the cursor.
#pragma once

#include <string>

namespace platform::testing {

// Installs a fresh offscreen host and forgets the window, focus and activation, queued messages,
// message boxes, cursor changes and presented frames. Registered window classes stay.
void UseNullHost();

// Window-system events for the offscreen host installed by UseNullHost; they become messages at
// the next PeekMessageA/GetMessageA, for the program's main window.
void InjectKeyDown(unsigned virtualKey);
void InjectFocus(bool gained);
void InjectMouseMove();
void InjectCloseRequest();

// Whether the cursor is shown over the window (ShowCursor count >= 0 and a cursor set).
bool CursorVisible();

// The offscreen host's window, as the window system would show it.
bool HostWindowExists();
bool HostWindowVisible();
std::string HostWindowTitle();

}  // namespace platform::testing
