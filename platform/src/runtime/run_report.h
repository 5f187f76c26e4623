// The report a run leaves with --report DIR, gathered from what the run noted: the system and
// display it ran on, the frame check's verdict and every frame's times; and, before its first
// frame, the report that says it has not ended.
#pragma once

#include <string>

#include "platform/options.h"

namespace platform::runtime {

// Writes the report for a run that ends with `exitCode`, for `endReason` when that is a failure
// (RunReport::endReason); false with the reason when it cannot.
bool WriteRunReport(const Options& options, const std::string& commandLine, int exitCode, const std::string& endReason,
                    std::string& error);
// Writes the report of a run that has started and not ended (report::WriteUnfinishedReport).
bool WriteUnfinishedRunReport(const Options& options, const std::string& commandLine, std::string& error);

}  // namespace platform::runtime
