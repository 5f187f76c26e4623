// The command line of the Windows build: a bounded, traced run for automation, help and version.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

struct RunOptions {
    std::uint64_t frames = 0;  // end after this many composed frames; 0: until Escape or F12
    std::string trace;         // the JSON Lines trace file; empty: no trace
    bool verify = false;       // check every composed frame against the program's own re-drawing
    bool lockstep = false;     // the scene steps once per composed frame
    bool unattended = false;   // no message box waits for a person
    std::string report;        // directory receiving the run's report
    std::string expect;        // the differences expected of this DirectDraw
};

struct ParsedCommandLine {
    RunOptions options;
    int exitCode = -1;  // 0 or 2: the program does not run; show `message` and exit with this code
    std::string message;
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace runtime
