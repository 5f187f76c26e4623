// Internals of the multimedia timer shared by its source files and the runtime.
#pragma once

namespace platform::mm {

// True while a test asks timeSetEvent to fail.
bool TimeSetEventFailureInjected();

// Stops every running timer and waits for their threads (at the end of the process, so no
// callback runs while the process tears down).
void StopAllTimers();

}  // namespace platform::mm
