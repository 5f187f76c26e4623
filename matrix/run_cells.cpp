// Cells of the run's pacing and of how it ended.
#include <string>

#include "matrix/cells.h"
#include "report/report_documents.h"
#include "report/text_format.h"

namespace matrix {

namespace {

Cell Rate(const PacingSummary& pacing, double fps, const char* what) {
    if (!pacing.rateKnown) return Said("none", Grade::Neutral, "-", "fewer than two frames were presented");
    return Said("number", Grade::Neutral, report::Fixed(fps, 1), report::Fixed(fps, 3) + " frames a second, " + what);
}

bool Finished(const ReadReport& report) { return report.state == ReportState::Finished; }

}  // namespace

Cell MeanFpsCell(const PacingSummary& pacing) { return Rate(pacing, pacing.meanFps, "the mean over the run"); }

Cell LowFpsCell(const PacingSummary& pacing) {
    return Rate(pacing, pacing.low1PercentFps, "the mean of the slowest 1% of intervals");
}

Cell MissedBlanksCell(const PacingSummary& pacing) {
    if (!pacing.blanksKnown) return Said("none", Grade::Neutral, "not known", "when frames were shown is not known");
    const double percent =
        pacing.intervals > 0 ? 100.0 * static_cast<double>(pacing.missedBlanks) / static_cast<double>(pacing.intervals)
                             : 0;
    const bool pass = percent <= report::kMissedBlanksAllowedPercent;
    return Said(pass ? "exact" : "differs", pass ? Grade::Pass : Grade::Fail,
                std::to_string(pacing.missedBlanks) + " (" + report::Fixed(percent, 1) + "%)",
                std::to_string(pacing.missedBlanks) + " of " + std::to_string(pacing.intervals) +
                    " frames shown a blank late or more; at most 1% pass");
}

Cell ExitCodeCell(const ReadReport& report) {
    if (!Finished(report)) {
        return Said(ReportStateId(report.state), Grade::Fail, ReportStateWords(report.state), report.reason);
    }
    const int code = report.run.exitCode;
    std::string detail = "exit code " + std::to_string(code);
    if (!report.run.endReason.empty()) detail += ": " + report.run.endReason;
    return Said(code == 0 ? "exact" : "differs", code == 0 ? Grade::Pass : Grade::Fail, std::to_string(code), detail);
}

Cell FatalErrorCell(const ReadReport& report) {
    if (!Finished(report)) return NothingCell();
    const std::string& text = report.run.fatalError;
    if (text.empty()) return Said("exact", Grade::Pass, "none", "no fatal error was shown");
    // The box's lines on one line, cut short for the cell: "Error! No DirectDraw Hardware. ..."
    std::string line;
    for (const char c : text) {
        const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (!space)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (line.size() > 80) line = line.substr(0, 77) + "...";
    return Said("differs", Grade::Fail, line, text);
}

}  // namespace matrix
