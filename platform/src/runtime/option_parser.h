// The command line of the process: the platform's own options (the program itself takes none).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/options.h"

namespace platform::runtime {

struct ParseResult {
    Options options;
    // Set when the process must end now: 0 after --help/--version, 2 after a usage error.
    std::optional<int> exitCode;
    // What to print before ending: to stdout when exitCode is 0, else to stderr.
    std::string message;
};

// `cycleFrames`: the frames of one lockstep cycle, for the help (0: not said).
ParseResult ParseOptions(int argc, const char* const* argv, std::uint64_t cycleFrames = 0);

std::string UsageText(std::uint64_t cycleFrames = 0);

}  // namespace platform::runtime
