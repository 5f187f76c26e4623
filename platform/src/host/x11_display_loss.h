// For hosts that talk to an X server through Xlib (directly or under SDL): when the connection
// breaks, Xlib's fatal I/O error hook ends the run through platform::DisplayLost (our own message,
// what outputs can still be written, exit code 1) instead of Xlib's message and exit.
#pragma once

namespace platform::host {

void InstallX11DisplayLossHandler();

}  // namespace platform::host
