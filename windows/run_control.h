// How the Windows runtime sets up and reads back the run's diagnostics around WinMain.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "verdict.h"

namespace runtime {

// Opens (truncates) the trace file; on failure returns false and describes why in `error`.
bool OpenTrace(const std::string& path, std::string& error);
void CloseTrace();
// Ends the run after this many composed frames; 0: no bound.
void EndAfterFrames(std::uint64_t frames);
// The run's options as the diagnostics answer them (--lockstep, --unattended) and where the
// check's images go: the report's folder, else beside the trace, else the current directory.
void SetRunOptions(const RunOptions& options);
// The frame check's verdict; false when no check ran.
bool CurrentVerdict(diagnostics::VerdictRecord& verdict);
// What the program noted for the report: facts about the system, and the first fatal error.
const std::vector<std::pair<std::string, std::string>>& RunFacts();
const std::string& FatalErrorText();
// When each frame was flipped (ms since the process started), kept while a report is asked for.
const std::vector<double>& PresentTimes();
// Each composed frame's CRC as the check gave it (diagnostics::FrameCrc), kept likewise.
const std::vector<std::int64_t>& FrameCrcs();

struct RunSummary {
    std::uint64_t frames = 0;
    double lastFrameMs = 0.0;  // when the last frame was composed, since the process started
    std::string note;          // from the program, e.g. "100 tiles"
};
RunSummary Summary();

}  // namespace runtime
