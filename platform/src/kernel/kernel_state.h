// Kernel state that the test controls (kernel_control.h) set.
#pragma once

#include <atomic>

#include "windef.h"

namespace platform::kernel {

// While gTickFixed is set, GetTickCount returns gFixedTick.
extern std::atomic<bool> gTickFixed;
extern std::atomic<DWORD> gFixedTick;

}  // namespace platform::kernel
