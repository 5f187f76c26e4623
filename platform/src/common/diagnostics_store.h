// The store behind the run's diagnostics (diagnostics/run_diagnostics.h): where the trace goes
// and the summary note, for the runtime that opens, closes and prints them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "run_diagnostics.h"

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

// The frame check's verdict; false (and a record that says "not verified") when no check ran.
bool CurrentVerdict(diagnostics::VerdictRecord& verdict);
// The check of what reached the screen, or null.
diagnostics::ScreenChecker CurrentScreenChecker();

// What the program noted for the report: facts about the system (in the order first noted) and
// the text of the first fatal error it showed.
std::vector<std::pair<std::string, std::string>> RunFacts();
std::string FatalErrorText();
// The frames' CRCs the check gave (diagnostics::FrameCrc) in a run with a report.
std::vector<std::int64_t> FrameCrcs();
// Forgets the facts, the fatal error and the CRCs (a fresh run).
void ForgetRunNotes();

}  // namespace platform
