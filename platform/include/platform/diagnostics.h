// Run diagnostics of our own beside the Win32 surface: a JSON Lines trace the program may
// write to, and a note for the end-of-run summary line.
#pragma once

namespace platform {

// Milliseconds (fractional) since the process started, on a monotonic clock.
double MillisecondsSinceStart();

// True when --trace names a file.
bool TraceEnabled();
// Appends one line (a complete JSON object, no newline) to the trace file; thread-safe, no-op
// when tracing is off.
void TraceLine(const char* json);

// Text appended to the summary printed after a bounded run, e.g. "100 tiles".
void SetSummaryNote(const char* note);

}  // namespace platform
