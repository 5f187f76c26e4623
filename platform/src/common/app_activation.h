// Whether the application is in front, as the window system last said. win/ raises the changes;
// DirectDraw reads them, because exclusive full-screen mode is lost while the application is in
// the background.
#pragma once

namespace platform {

// True unless the application was deactivated and has not been activated again since.
bool AppActive();

// Records a change of activation. A deactivation calls the listener on this thread, after the
// new state is recorded.
void NoteAppActivation(bool active);

// The one function told of deactivations (null: none). Kept for the life of the process.
void SetDeactivationListener(void (*listener)());

}  // namespace platform
