// The run's report on Windows (--report DIR): what the runtime and the program noted, written at
// the run's end.
#pragma once

#include <string>

#include "command_line.h"

namespace runtime {

// Writes report.json, report.xml and report.html into options.report, recording `exitCode` as the
// code the run ends with; false with the reason when they cannot be written.
bool WriteRunReport(const RunOptions& options, const std::string& commandLine, int exitCode, std::string& error);

}  // namespace runtime
