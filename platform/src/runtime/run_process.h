// The life of the process around the program's WinMain: options, host, and what is written at
// the end (screenshot, summary, trace). main() only hands over to RunProcess, so all of it can
// be driven by tests with an entry point of their own.
#pragma once

#include "windef.h"

namespace platform::runtime {

using EntryPoint = int(WINAPI*)(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// Returns the process's exit code: the entry's result (0 also after Escape, --frames or a stop
// signal), 0 after --help/--version, 2 for a usage error or an output that cannot be written, 1
// when the run cannot start (no display) or an output was lost during or after the run.
int RunProcess(int argc, const char* const* argv, EntryPoint entry);

}  // namespace platform::runtime
