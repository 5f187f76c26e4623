// The three report files' contents, each made whole in memory before anything is written.
#pragma once

#include <string>

#include "report/pacing_stats.h"
#include "report/run_report.h"

namespace report {

std::string JsonDocument(const RunReport& report, const PacingStats& pacing);
std::string JunitDocument(const RunReport& report, const PacingStats& pacing);
// `dir` is where the page will lie: images inside it are referred to by relative name.
std::string HtmlDocument(const RunReport& report, const PacingStats& pacing, const std::string& dir);

// The three files of a run that has not ended (WriteUnfinishedReport).
std::string UnfinishedJsonDocument(const RunReport& started);
std::string UnfinishedJunitDocument(const RunReport& started);
std::string UnfinishedHtmlDocument(const RunReport& started);
// What they say of it.
constexpr const char* kUnfinishedMessage = "the run did not end: crashed, killed or still running";

// report.json's layout: a reader that knows an earlier one refuses a later one.
constexpr int kReportSchemaVersion = 1;

// The most frames shown one blank late or more, in percent of the intervals, for pacing to pass.
constexpr double kMissedBlanksAllowedPercent = 1.0;

}  // namespace report
