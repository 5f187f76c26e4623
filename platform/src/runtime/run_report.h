// The report a run leaves with --report DIR, gathered from what the run noted: the system and
// display it ran on, the frame check's verdict and every frame's times.
#pragma once

#include <string>

#include "platform/options.h"

namespace platform::runtime {

// Writes the report for a run that ends with `exitCode`; false with the reason when it cannot.
bool WriteRunReport(const Options& options, const std::string& commandLine, int exitCode, std::string& error);

}  // namespace platform::runtime
