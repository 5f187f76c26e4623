// Opening and closing the --trace file (the lines themselves come through diagnostics.h).
#pragma once

#include <string>

namespace platform::runtime {

// Starts tracing into path (truncating it); false with the reason when it cannot be opened.
bool OpenTrace(const std::string& path, std::string& error);
// Flushes and closes the trace; TraceEnabled() is false afterwards.
void CloseTrace();

}  // namespace platform::runtime
