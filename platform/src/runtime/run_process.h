// The life of the process around the program's WinMain: options, host, and what is written at
// the end (screenshot, summary, trace). main() only hands over to RunProcess, so all of it can
// be driven by tests with an entry point of their own.
#pragma once

#include <cstdint>
#include <string>

#include "frame_check.h"
#include "windef.h"

namespace platform::runtime {

using EntryPoint = int(WINAPI*)(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
using CheckStarter = bool (*)(const diagnostics::FrameCheckSettings& settings, std::string& error);

// What the runtime runs: the program's entry, the frame check it starts before (null: none), and
// the frames of one lockstep cycle (0: unknown; a lockstep run without --frames then runs on).
struct Program {
    EntryPoint entry;
    CheckStarter startCheck = nullptr;
    std::uint64_t cycleFrames = 0;
};

// Returns the process's exit code: the entry's result (0 also after Escape, --frames or a stop
// signal), 0 after --help/--version, 2 for a usage error or an output that cannot be written, 1
// when the run cannot start (no display), an unattended run ended on a fatal error, or an output
// was lost during or after the run; with --verify 3 when something differs and 4 when the check
// is incomplete.
int RunProcess(int argc, const char* const* argv, const Program& program);

}  // namespace platform::runtime
