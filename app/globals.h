// Process-wide state of the application shell.
#pragma once

#include <atomic>
#include <cstdint>

#include <windows.h>

// Activation flag: written by the window procedure from WM_ACTIVATEAPP, read by the timer thread.
extern std::atomic<DWORD> gAppActive;
// The animation timer's id (0: none) and the resolution asked of timeBeginPeriod.
extern UINT gTimerId;
extern UINT gTimerPeriod;
