// The run's files (--screenshot, --capture, --trace), checked before the first frame, so a long
// run is not spent on an output that could never be written.
#pragma once

#include "platform/options.h"

namespace platform::runtime {

// Creates the capture folder, opens the trace and shows that each requested file can be
// written. Returns false after saying which output cannot be used and why.
bool PrepareOutputs(const Options& options);

}  // namespace platform::runtime
