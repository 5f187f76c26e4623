#include "app/animation_timer.h"

#include <algorithm>

#include "app/globals.h"
#include "run_diagnostics.h"
#include "scene/scene_state.h"
#include "scene/scene_trace.h"

namespace {

constexpr UINT kTickIntervalMs = 66;
constexpr UINT kResolutionFloorMs = 5;
constexpr UINT kTimerResolutionMs = 5;

}  // namespace

UINT ChooseTimerResolution(const TIMECAPS& caps) {
    const UINT wanted = std::max(caps.wPeriodMin, kResolutionFloorMs);
    return wanted < caps.wPeriodMax ? wanted : caps.wPeriodMax;
}

std::int32_t StartAnimationTimer() {
    // A failing query or period request is not reported; the timer itself decides.
    TIMECAPS caps{};
    timeGetDevCaps(&caps, sizeof caps);
    gTimerPeriod = ChooseTimerResolution(caps);
    timeBeginPeriod(gTimerPeriod);
    // Killing the timer waits for a tick still running, so the scene can be freed right after.
    gTimerId =
        timeSetEvent(kTickIntervalMs, kTimerResolutionMs, AnimationTimerProc, 0, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    return gTimerId != 0 ? 1 : 0;
}

void CALLBACK AnimationTimerProc(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    const bool active = gAppActive.load(std::memory_order_acquire) != 0;
    // In lockstep the main loop makes the steps; the ticks go on, unapplied.
    const bool step = active && !diagnostics::Lockstep();
    if (step) gScene->Step();
    TraceTick(step);
}

void StopAnimationTimer() {
    if (gTimerId != 0) gTimerId = timeKillEvent(gTimerId);
    timeEndPeriod(gTimerPeriod);
}
