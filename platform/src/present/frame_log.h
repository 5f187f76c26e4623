// Every presented frame's times, kept for a run's report: when it was presented and, where the
// display says so, when and at which blank it was shown. Kept only while a report is asked for.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::present {

struct LoggedFrame {
    double presentMs = 0.0;  // on the trace's time line
    double shownMs = -1.0;   // <0: not known
    std::int64_t blank = -1;  // the display's blank counter (MSC); <0: not known
};

// Starts (true) or stops keeping the log; starting forgets what was kept.
void KeepFrameLog(bool keep);
// Frame `number` (counting from 1) was presented at presentMs; then shown at a blank.
void LogPresent(std::uint64_t number, double presentMs);
void LogShown(std::uint64_t number, double shownMs, std::uint64_t blank);
std::vector<LoggedFrame> FrameLog();

}  // namespace platform::present
