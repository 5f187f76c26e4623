// A display's refreshes as a fixed schedule of the monotonic clock: refresh k of a display at
// hz Hz happens at k/hz seconds. Hosts that cannot wait for a real refresh pace waiting presents
// by it, so a vsync'd run keeps the display's rate without spinning.
#pragma once

#include <cstdint>

namespace platform::host {

// Nanoseconds on CLOCK_MONOTONIC of the first refresh strictly after nowNs.
std::uint64_t NextRefreshNs(std::uint64_t nowNs, std::uint32_t hz);

// Sleeps until the next refresh (an absolute deadline: no drift from one wait to the next).
void SleepUntilNextRefresh(std::uint32_t hz);

}  // namespace platform::host
