// Test controls of the multimedia timer: its reported capabilities, a failing timeSetEvent, and
// the resolution requests made.
#pragma once

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
void ClearTimerCalls();

}  // namespace platform::testing
