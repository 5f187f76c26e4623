// Timer capabilities and resolution requests. There is no resolution to change on Linux (the
// timer threads sleep to absolute deadlines at nanosecond resolution), so requests are only
// checked and recorded.
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "mm/timer_service.h"
#include "mmsystem.h"
#include "platform/host_control.h"

namespace {

constexpr TIMECAPS kDefaultCaps{1, 1000000};

struct CapsState {
    std::mutex mutex;
    std::optional<TIMECAPS> caps;
    MMRESULT result = TIMERR_NOERROR;
    std::vector<UINT> beginCalls;
    std::vector<UINT> endCalls;
};

CapsState& Caps() {
    static auto* state = new CapsState();
    return *state;
}

std::atomic<bool> gFailSetEvent{false};

bool PeriodInRange(UINT period) { return period >= kDefaultCaps.wPeriodMin && period <= kDefaultCaps.wPeriodMax; }

}  // namespace

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size) {
    if (caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    if (state.result != TIMERR_NOERROR) return state.result;
    *caps = state.caps.value_or(kDefaultCaps);
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    state.beginCalls.push_back(period);
    return PeriodInRange(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    state.endCalls.push_back(period);
    return PeriodInRange(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

namespace platform::mm {

bool TimeSetEventFailureInjected() { return gFailSetEvent.load(); }

}  // namespace platform::mm

namespace platform::testing {

void SetTimerCaps(std::optional<TIMECAPS> caps, MMRESULT result) {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    state.caps = caps;
    state.result = result;
}

void FailTimeSetEvent(bool fail) { gFailSetEvent.store(fail); }

std::vector<UINT> BeginPeriodCalls() {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    return state.beginCalls;
}

std::vector<UINT> EndPeriodCalls() {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    return state.endCalls;
}

void ClearTimerCalls() {
    CapsState& state = Caps();
    std::lock_guard lock(state.mutex);
    state.beginCalls.clear();
    state.endCalls.clear();
}

}  // namespace platform::testing
