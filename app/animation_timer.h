// The periodic timer that steps the scene every 66 ms while the application is active.
#pragma once

#include <cstdint>

#include <windows.h>
// After windows.h, as the real mmsystem.h needs.
#include <mmsystem.h>

// Non-zero when the timer runs.
std::int32_t StartAnimationTimer();
void CALLBACK AnimationTimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);
void StopAnimationTimer();
// The resolution asked for, given the device's limits: 5 ms where allowed.
UINT ChooseTimerResolution(const TIMECAPS& caps);
