// Test controls of the multimedia timer: its reported capabilities, a failing timeSetEvent, and
// the requests made.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "mmsystem.h"

namespace platform::testing {

// timeGetDevCaps fills these caps (nullopt: the defaults {1, 1000000}) and returns result.
void SetTimerCaps(std::optional<TIMECAPS> caps, MMRESULT result = TIMERR_NOERROR);
// While set, timeSetEvent fails (returns 0).
void FailTimeSetEvent(bool fail);
std::vector<UINT> BeginPeriodCalls();
std::vector<UINT> EndPeriodCalls();
// Each timeSetEvent's {delay, resolution, flags}.
std::vector<std::array<UINT, 3>> SetEventCalls();
void ClearTimerCalls();

}  // namespace platform::testing
