// The program with its blitter's up-down mirror broken, for the end-to-end test of how a run
// reports a difference: the real executable has no way to plant one.
#include "ddraw/ddraw_control.h"
#include "frame_check.h"
#include "runtime/run_process.h"
#include "winuser.h"

int main(int argc, char** argv) {
    platform::ddraw::PlantBlitFault(platform::ddraw::BlitFault::MirrorUpDownIgnored);
    return platform::runtime::RunProcess(
        argc, argv, {&WinMain, &diagnostics::StartFrameCheck, diagnostics::LockstepCycleFrames()});
}
