#include "mm/timer_control.h"

#include "mm/timer_service.h"

namespace platform::testing {

void SetTimerCaps(std::optional<TIMECAPS> caps, MMRESULT result) {
    mm::CapsState& state = mm::Caps();
    std::lock_guard lock(state.mutex);
    state.caps = caps;
    state.result = result;
}

void FailTimeSetEvent(bool fail) { mm::gFailSetEvent.store(fail); }

std::vector<UINT> BeginPeriodCalls() {
    mm::CapsState& state = mm::Caps();
    std::lock_guard lock(state.mutex);
    return state.beginCalls;
}

std::vector<UINT> EndPeriodCalls() {
    mm::CapsState& state = mm::Caps();
    std::lock_guard lock(state.mutex);
    return state.endCalls;
}

std::vector<std::array<UINT, 3>> SetEventCalls() {
    mm::CapsState& state = mm::Caps();
    std::lock_guard lock(state.mutex);
    return state.setEventCalls;
}

void ClearTimerCalls() {
    mm::CapsState& state = mm::Caps();
    std::lock_guard lock(state.mutex);
    state.beginCalls.clear();
    state.endCalls.clear();
    state.setEventCalls.clear();
}

}  // namespace platform::testing
