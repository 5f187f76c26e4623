// The process entry: everything happens in RunProcess, around the program's WinMain and its frame
// check.
#include "frame_check.h"
#include "runtime/run_process.h"
#include "winuser.h"

int main(int argc, char** argv) {
    return platform::runtime::RunProcess(
        argc, argv, {&WinMain, &diagnostics::StartFrameCheck, diagnostics::LockstepCycleFrames()});
}
