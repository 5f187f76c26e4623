// The timer threads run ahead of ordinary threads, as Windows runs multimedia-timer callbacks at
// time-critical priority: a tick is then late by little more than the wake-up itself, even while
// every core is busy.
#pragma once

#include <string>

namespace platform::mm {

// Raises the calling thread's priority as far as the system allows: real-time FIFO scheduling at
// the highest priority permitted (root, CAP_SYS_NICE or RLIMIT_RTPRIO), else the lowest nice
// value permitted (RLIMIT_NICE), else nothing. Returns what the thread got, in words.
std::string RaiseThreadPriority();

}  // namespace platform::mm
