// Internals of the multimedia timer shared by its source files, its test controls and the
// runtime.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "mmsystem.h"

namespace platform::mm {

// What timeGetDevCaps reports and the requests made (periods; each timeSetEvent's delay,
// resolution and flags), for the test controls (timer_control.h) to set and read.
struct CapsState {
    std::mutex mutex;
    std::optional<TIMECAPS> caps;  // none: the defaults
    MMRESULT result = TIMERR_NOERROR;
    std::vector<UINT> beginCalls;
    std::vector<UINT> endCalls;
    std::vector<std::array<UINT, 3>> setEventCalls;
};
CapsState& Caps();

// Set while a test asks timeSetEvent to fail.
extern std::atomic<bool> gFailSetEvent;

// Stops every timer and waits for all their threads, those of timers already killed without
// waiting too (at the end of the process, so no callback runs while the process tears down).
void StopAllTimers();

}  // namespace platform::mm
