// The screen check's second path on Windows, beside the primary surface's Lock: what the screen
// shows over the program's window, read through GDI after a flip and handed to the check
// installed (diagnostics/run_diagnostics.h, SetScreenChecker). Main thread only.
#pragma once

#include <string>

#include "run_diagnostics.h"

namespace runtime {

// The check that judges what was read; null stops the reads.
void SetWindowChecker(diagnostics::ScreenChecker checker);
// Once the frame check is installed (its frame observer and its screen checker): watches the
// program's flips in front of that observer and reads the window back after them, every frame
// in lockstep, otherwise at most every kScreenCheckSpacingMs.
void StartWindowReadback();
// True when this run's flips are watched and the window read back; else why not.
bool WindowReadable(std::string& whyNot);
// Stops the reads and frees what they kept for the run.
void EndWindowReadback();

}  // namespace runtime
