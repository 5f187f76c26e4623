// One report folder as the matrix reads it: its report.json, every field checked for its type. A
// folder without report.json, a report that says its run did not end, and one that cannot be read
// (cut short, not JSON, a later layout, a field of the wrong type) each come back with their state
// and the reason, never as a failure of the matrix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/run_report.h"

namespace matrix {

enum class ReportState { Finished, DidNotEnd, NoReport, Unreadable };
// "finished", "did-not-end", "no-report", "unreadable"; and in words.
const char* ReportStateId(ReportState state);
const char* ReportStateWords(ReportState state);

// The pacing numbers as report.json gives them.
struct PacingSummary {
    bool rateKnown = false;  // meanFps and low1PercentFps are numbers (two frames at least)
    double meanFps = 0, low1PercentFps = 0;
    bool blanksKnown = false;
    std::uint64_t missedBlanks = 0, intervals = 0;
};

struct ReadReport {
    std::string folder;  // as given
    ReportState state = ReportState::NoReport;
    std::string reason;  // why it is not Finished
    // What the report holds: all of it when Finished; of a run that did not end what was known at
    // its start. Image paths are as the report gives them (relative to its folder, or not).
    report::RunReport run;
    PacingSummary pacing;
};

// The largest report.json read: a million frames' intervals and CRCs take under 100 MB.
constexpr std::uintmax_t kMaxReportBytes = 256u << 20;

ReadReport ReadReportFolder(const std::string& folder);
// report.json's text, as if read from `folder`.
ReadReport ReadReportText(std::string_view text, const std::string& folder);

}  // namespace matrix
