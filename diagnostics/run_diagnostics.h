// What the program reports about a run beside the picture it shows: a JSON Lines trace, a note
// for the end-of-run summary, and each composed frame, so a run can be bounded by a frame count.
// The program calls these; each build target provides them: the Linux stand-in in platform/, the
// Windows runtime in windows/.
#pragma once

#include <cstdint>

namespace diagnostics {

// Milliseconds (fractional) since the process started, on a monotonic clock.
double MillisecondsSinceStart();

// True when the run writes a trace.
bool TraceEnabled();
// Appends one line (a complete JSON object, no newline) to the trace; thread-safe, no-op when
// tracing is off.
void TraceLine(const char* json);

// Text appended to the summary printed after a bounded run, e.g. "100 tiles".
void SetSummaryNote(const char* note);

// The program composed its frame number `number` (counting from 1). Where the target cannot see
// the frames reach the screen, a bounded run ends here.
void FrameComposed(std::uint64_t number);

}  // namespace diagnostics
