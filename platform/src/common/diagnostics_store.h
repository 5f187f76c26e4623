// The store behind the run's diagnostics (diagnostics/run_diagnostics.h): where the trace goes
// and the summary note, for the runtime that opens, closes and prints them.
#pragma once

#include <string>

namespace platform {

// Starts tracing into path (truncating it); false with the reason when it cannot be opened.
bool OpenTrace(const std::string& path, std::string& error);
// Flushes and closes the trace; TraceEnabled() is false afterwards.
void CloseTrace();

// The note last given to SetSummaryNote (empty when none).
std::string SummaryNote();

}  // namespace platform
