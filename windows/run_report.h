// The run's report on Windows (--report DIR): before the first frame, the report that says the run
// has not ended; at the run's end, what the runtime and the program noted.
#pragma once

#include <string>

#include "command_line.h"

namespace runtime {

// Writes report.json, report.xml and report.html into options.report for a run that has started
// and not ended (report::WriteUnfinishedReport); false with the reason when they cannot be written.
bool WriteUnfinishedRunReport(const RunOptions& options, const std::string& commandLine, std::string& error);
// Writes them at the run's end, recording `exitCode` as the code the run ends with and, when that
// is a failure, `endReason` (report::RunReport::endReason); false with the reason when they cannot.
bool WriteRunReport(const RunOptions& options, const std::string& commandLine, int exitCode,
                    const std::string& endReason, std::string& error);

}  // namespace runtime
