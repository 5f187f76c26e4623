// Timer capabilities and resolution requests. There is no resolution to change on Linux (the
// timer threads sleep to absolute deadlines at nanosecond resolution), so requests are only
// checked and recorded.
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "mm/timer_service.h"
#include "mmsystem.h"

namespace platform::mm {

std::atomic<bool> gFailSetEvent{false};

CapsState& Caps() {
    static auto* state = new CapsState();
    return *state;
}

}  // namespace platform::mm

namespace {

using platform::mm::Caps;
using platform::mm::CapsState;

constexpr TIMECAPS kDefaultCaps{1, 1000000};

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
