// The command line of the Windows build: a bounded, traced run for automation, help and version.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

struct RunOptions {
    std::uint64_t frames = 0;  // end after this many composed frames; 0: until Escape or F12
    std::string trace;         // the JSON Lines trace file; empty: no trace
    bool verify = false;       // check every composed frame against the program's own re-drawing
};

struct ParsedCommandLine {
    RunOptions options;
    int exitCode = -1;  // 0 or 2: the program does not run; show `message` and exit with this code
    std::string message;
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace runtime
