// How a run ends before its program asks to: a stop requested (by the frame limit, a signal or a
// lost output) that the event pump turns into Escape on the main thread, an output that could not
// be written, and the display going away, after which the process cannot go on.
#pragma once

#include <string>

namespace platform {

// Asks for the run to end as if Escape were pressed. Async-signal-safe: it only sets a flag.
void RequestStop();
// True once per request; the event pump presses Escape then.
bool TakeStopRequest();
// True while a request is pending, without taking it (a modal box closes on one).
bool StopRequested();

// Tells, once per output, that it could not be written ("vornhollow: " + message on stderr) and
// requests the stop: the run ends in order and its exit code is 1.
void ReportLostOutput(const std::string& message);
bool OutputLost();
// The message of the first output lost (empty: none), for the report.
std::string LostOutputText();

// Forgets a pending stop and a lost output (a fresh run).
void ForgetRunEnd();

// Set by the runtime: writes what can still be written (screenshot, trace, summary).
using DisplayLostHandler = void (*)();
void SetDisplayLostHandler(DisplayLostHandler handler);
// Called by a host whose window system connection broke, or whose server stopped answering: says
// so ("vornhollow: " + what), runs the handler and ends the process with exit code 1. Never returns.
[[noreturn]] void DisplayLost(const char* what = "the display went away");

}  // namespace platform
