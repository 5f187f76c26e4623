// Process-wide state behind platform/ddraw_control.h: armed faults, the call log, capability
// overrides and the live-object counter. The hot paths test one relaxed atomic each.
#pragma once

#include <atomic>
#include <optional>
#include <utility>

#include "ddraw.h"
#include "platform/ddraw_control.h"

namespace platform::ddraw::detail {

extern std::atomic<int> gArmedFaults;
extern std::atomic<bool> gCallLogOn;

// The injected result for this call of `op`, if a fault falls due; counts the call either way.
std::optional<HRESULT> TakeFaultSlow(const char* op);
inline std::optional<HRESULT> TakeFault(const char* op) {
    if (gArmedFaults.load(std::memory_order_relaxed) == 0) return std::nullopt;
    return TakeFaultSlow(op);
}

inline bool CallLogOn() { return gCallLogOn.load(std::memory_order_relaxed); }
void AppendCall(Call call);
inline Call NewCall(const char* op, const void* object, HRESULT result) {
    Call call;
    call.op = op;
    call.object = object;
    call.result = result;
    return call;
}

// Records a call when the log is on; `fill` adds the operation's own details.
template <typename Fill>
void LogIfOn(const char* op, const void* object, HRESULT result, Fill&& fill) {
    if (!CallLogOn()) return;
    Call call = NewCall(op, object, result);
    fill(call);
    AppendCall(std::move(call));
}

struct CapsOverride {
    bool active = false;
    DWORD driverCaps = 0, driverFxCaps = 0, helCaps = 0, helFxCaps = 0;
};
CapsOverride CurrentCapsOverride();

void AddLiveObject();
void RemoveLiveObject();

// Video memory in use summed over all DirectDraw objects.
void AddVideoMemoryUsed(std::int64_t delta);

}  // namespace platform::ddraw::detail
