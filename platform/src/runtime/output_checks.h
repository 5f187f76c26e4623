// The run's files (--report, --screenshot, --capture, --trace), checked before the first frame, so
// a long run is not spent on an output that could never be written.
#pragma once

#include <string>

#include "platform/options.h"

namespace platform::runtime {

// Makes the report's folder (--report), which takes the check's images during the run, and
// writes into it the report that says the run has not ended. Returns false after saying why not.
bool PrepareReport(const Options& options, const std::string& commandLine);

// Creates the capture folder, opens the trace and shows that each requested file can be
// written. Returns false after saying which output cannot be used and why (also in `refused`).
bool PrepareOutputs(const Options& options, std::string& refused);

}  // namespace platform::runtime
