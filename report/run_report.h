// What a run leaves behind for --report DIR: report.json (for machines), report.xml (JUnit, for
// CI) and report.html (one self-contained page for a person), beside the images the frame check
// wrote. The runtimes fill a RunReport at the end of the run; everything here is plain standard
// C++, the same for every target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/verdict.h"

namespace report {

// One line of the environment, kept in the order it was found.
struct Fact {
    std::string key, value;
};

struct FramePresent {
    double presentMs = 0;     // when the frame was presented (the flip), ms since the process started
    double shownMs = -1;      // when the display showed it (<0: unknown)
    std::int64_t blank = -1;  // the display's blank counter (MSC) it was shown at (<0: unknown)
};

struct Pacing {
    bool vsync = true;
    double refreshMs = 0;  // the refresh period measured; 0 when unknown
    std::vector<FramePresent> frames;
};

struct RunReport {
    std::string version;  // e.g. "1.0.0"
    std::string build;    // e.g. "Linux 64-bit", "Windows 32-bit"
    // OS, DirectDraw in use, capability bits ("caps.*"), display mode and pixel masks, tile count,
    // X server, present path and why, window depth, refresh period...
    std::vector<Fact> environment;
    std::string commandLine;
    std::string timestamp;  // ISO 8601, UTC
    std::string hostname;
    double seconds = 0;  // the run's length
    int exitCode = 0;    // the code the run ends with
    // Why it ends with that code when the code is neither a pass nor a verdict (3, 4): e.g. "an
    // output was lost: ...", "the display went away"; empty otherwise.
    std::string endReason;
    std::string fatalError;  // text of the fatal-error box that ended the run (empty: none)
    bool verified = false;   // --verify ran; otherwise the verdict is "not verified"
    diagnostics::VerdictRecord verdict;
    Pacing pacing;
    std::vector<std::string> expected;  // the items listed in --expect, if any
    // Each composed frame's CRC as read back, the counter's area zeroed (index 0: frame 1); -1
    // where a frame was not read. Two lockstep runs that drew the same frames have the same.
    std::vector<std::int64_t> frameCrcs;
};

// The most frames whose CRCs a report keeps: 12 MB of report.json.
constexpr std::size_t kMaxFrameCrcs = 1'000'000;
// Records frame `number`'s CRC at index number - 1, frames skipped in between as unknown; frames
// past kMaxFrameCrcs are not kept.
void KeepFrameCrc(std::vector<std::int64_t>& crcs, std::uint64_t number, std::uint32_t crc);

// Writes report.json, report.xml and report.html into `dir` (created if needed), as one set
// (report/atomic_file.h): a failure (full disk, unwritable dir) leaves nothing half-written under
// the final names, and a link planted in `dir` is never followed. On failure returns false with
// the reason, naming the file and the system's error text.
bool WriteReport(const std::string& dir, const RunReport& report, std::string& error);

// The same three files for a run that has started and not ended, written before its first frame:
// only a normal end replaces them, so a run that crashed, was killed or hangs leaves a report that
// fails (report.xml's one test case is an error, report.json says "finished": false). Of `started`
// only what is known at the start is used: version, build, command line, timestamp, host name.
bool WriteUnfinishedReport(const std::string& dir, const RunReport& started, std::string& error);

// The verdict as one JSON Lines record for the end of a trace: {"type":"verdict", the outcome,
// the summary line, the frame counts and each kind's, picture's and the screen's counts}.
std::string VerdictTraceLine(const diagnostics::VerdictRecord& verdict);

}  // namespace report
