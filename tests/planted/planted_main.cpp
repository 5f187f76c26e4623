// The program with a fault planted, named by VH_PLANTED_FAULT (unset: none), for the end-to-end
// tests: a presenter fault the screen check must see, or the blitter's up-down mirror broken for
// how a run reports a difference.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame_check.h"
#include "planted_faults.h"
#include "runtime/run_process.h"
#include "winuser.h"

int main(int argc, char** argv) {
    using namespace platform::planted;
    const struct {
        const char* name;
        PresenterFault fault;
    } kFaults[] = {{"flip-not-taken", PresenterFault::FlipNotTaken},
                   {"low-bits-lost", PresenterFault::LowBitsLost},
                   {"red-blue-swapped", PresenterFault::RedBlueSwapped},
                   {"columns-off-by-one", PresenterFault::ColumnsOffByOne},
                   {"bars-not-black", PresenterFault::BarsNotBlack}};
    if (const char* name = std::getenv("VH_PLANTED_FAULT"); name != nullptr && *name != '\0') {
        bool known = false;
        for (const auto& [faultName, fault] : kFaults) {
            if (std::strcmp(name, faultName) != 0) continue;
            PlantPresenterFault(fault);
            known = true;
        }
        if (std::strcmp(name, "mirror-up-down-ignored") == 0) {
            PlantBlitFault(BlitFault::MirrorUpDownIgnored);
            known = true;
        }
        if (!known) {
            std::fprintf(stderr, "no fault named %s\n", name);
            return 2;
        }
    }
    return platform::runtime::RunProcess(
        argc, argv, {&WinMain, &diagnostics::StartFrameCheck, diagnostics::LockstepCycleFrames()});
}
