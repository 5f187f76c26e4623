// SIGINT, SIGTERM and SIGHUP end a run in order, as Escape does, whatever shows it; a second one
// during that end ends the process at once. Signals the process was started ignoring (nohup, a
// background job) stay ignored.
#pragma once

namespace platform::runtime {

void InstallStopSignals();
// Puts back what was there before InstallStopSignals.
void RemoveStopSignals();

}  // namespace platform::runtime
