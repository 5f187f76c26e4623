// The display the offscreen host pretends to have: it refreshes 60 times a second on a fixed
// schedule of the monotonic clock, so waiting presents are paced like a real vsync'd screen.
#pragma once

#include <cstdint>

namespace platform::host {

constexpr std::uint32_t kVirtualRefreshHz = 60;

// Nanoseconds on CLOCK_MONOTONIC of the first refresh strictly after nowNs.
std::uint64_t NextVirtualRefreshNs(std::uint64_t nowNs);

// Sleeps until the next refresh of the virtual display (absolute deadline, no drift).
void WaitForVirtualRefresh();

}  // namespace platform::host
