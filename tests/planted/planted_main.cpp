// The program with the fault VH_PLANTED_FAULT names planted (unset: none), for the end-to-end tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ddraw.h"
#include "ddraw/ddraw_control.h"
#include "frame_check.h"
#include "planted_faults.h"
#include "runtime/run_process.h"
#include "winuser.h"

namespace {

using namespace platform::planted;

// Plants the fault `name`; false when there is none of that name.
bool Plant(const char* name) {
    const struct {
        const char* name;
        PresenterFault fault;
    } presenter[] = {{"flip-not-taken", PresenterFault::FlipNotTaken},
                     {"low-bits-lost", PresenterFault::LowBitsLost},
                     {"red-blue-swapped", PresenterFault::RedBlueSwapped},
                     {"columns-off-by-one", PresenterFault::ColumnsOffByOne},
                     {"bars-not-black", PresenterFault::BarsNotBlack},
                     {"scaled-rect-not-widened", PresenterFault::ScaledRectNotWidened},
                     {"damage-ring-one-short", PresenterFault::DamageRingOneShort}};
    const struct {
        const char* name;
        BlitFault fault;
    } blit[] = {{"mirror-up-down-ignored", BlitFault::MirrorUpDownIgnored},
                {"probe-poke", BlitFault::ProbePoke},
                {"stray-write", BlitFault::StrayWrite},
                {"blt-damage-not-recorded", BlitFault::BltDamageNotRecorded}};
    for (const auto& [faultName, fault] : presenter) {
        if (std::strcmp(name, faultName) == 0) return PlantPresenterFault(fault), true;
    }
    for (const auto& [faultName, fault] : blit) {
        if (std::strcmp(name, faultName) == 0) return PlantBlitFault(fault), true;
    }
    if (std::strcmp(name, "counter-blue") == 0) return PlantTextFault(TextFault::Blue), true;
    if (std::strcmp(name, "primary-lock-fails") == 0) {
        platform::ddraw::InjectFaultOn("Lock", DDSCAPS_PRIMARYSURFACE, 1, DDERR_GENERIC, 1000000000);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* name = std::getenv("VH_PLANTED_FAULT"); name != nullptr && *name != '\0' && !Plant(name)) {
        std::fprintf(stderr, "no fault named %s\n", name);
        return 2;
    }
    return platform::runtime::RunProcess(argc, argv,
                                         {&WinMain, &diagnostics::StartFrameCheck, diagnostics::LockstepCycleFrames()});
}
