// The store behind the run's diagnostics (diagnostics/run_diagnostics.h): where the trace goes
// and the summary note, for the runtime that opens, closes and prints them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Starts tracing into path (truncating it); false with the reason when it cannot be opened. A
// line that cannot be written stops the trace and is reported as a lost output (run_end.h), with
// the file cut back to its last whole line.
bool OpenTrace(const std::string& path, std::string& error);
// Closes the trace (a failure is a lost output); TraceEnabled() is false afterwards.
void CloseTrace();

// A time of the monotonic clock (CLOCK_MONOTONIC, in microseconds, as X servers report their
// UST) on the trace's time line: milliseconds since the process started.
double TraceMillisecondsOfMonotonic(std::uint64_t microseconds);

// The note last given to SetSummaryNote (empty when none).
std::string SummaryNote();

// The verdict of a --verify run for the summary (empty when no verdict writer is set), and whether
// a frame or a picture differed.
struct Verdict {
    std::string text;
    bool differs = false;
};
Verdict CurrentVerdict();

}  // namespace platform
