// Multimedia timer services.
#pragma once

#include "windef.h"

using MMRESULT = UINT;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;
static_assert(sizeof(TIMECAPS) == 8);

using LPTIMECALLBACK = void(CALLBACK*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                       DWORD_PTR reserved2);

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97
#define TIME_ONESHOT 0x0000
#define TIME_PERIODIC 0x0001
#define TIME_KILL_SYNCHRONOUS 0x0100

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size);
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
// Starts a timer whose callback runs on a thread of its own; returns its id, or 0 on failure.
MMRESULT WINAPI timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// Stops the timer; returns TIMERR_NOERROR (0) or TIMERR_NOCANDO. Waits for a callback still
// running only when the timer was made with TIME_KILL_SYNCHRONOUS.
MMRESULT WINAPI timeKillEvent(UINT timerId);
