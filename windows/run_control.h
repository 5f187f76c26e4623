// How the Windows runtime sets up and reads back the run's diagnostics around WinMain.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

// Opens (truncates) the trace file; on failure returns false and describes why in `error`.
bool OpenTrace(const std::string& path, std::string& error);
void CloseTrace();
// Ends the run after this many composed frames; 0: no bound.
void EndAfterFrames(std::uint64_t frames);
// Turns the frame check (--verify) on; the images it writes go beside `tracePath` (when not empty).
void EnableVerify(const std::string& tracePath);
// The frame check's verdict for the summary (empty when the program set none), and whether a frame
// or a picture differed.
std::string Verdict(bool& differs);

struct RunSummary {
    std::uint64_t frames = 0;
    double lastFrameMs = 0.0;  // when the last frame was composed, since the process started
    std::string note;          // from the program, e.g. "100 tiles"
};
RunSummary Summary();

}  // namespace runtime
