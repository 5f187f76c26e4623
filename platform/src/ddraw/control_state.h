// Process-wide state that the test controls (ddraw_control.h) set and the DirectDraw calls
// consult: armed faults, the call log, capability overrides and the live-object counter. The hot
// paths test one relaxed atomic each.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ddraw.h"
#include "ddraw/call_record.h"

namespace platform::ddraw::detail {

// Armed faults.
extern std::atomic<int> gArmedFaults;
extern std::atomic<bool> gCallLogOn;
extern std::atomic<int> gLiveObjects;
extern std::atomic<std::int64_t> gVideoMemoryUsed;

struct Fault {
    std::string op;
    int callsBeforeDue;  // calls to let through before the fault starts
    int timesLeft;
    HRESULT result;
    bool losesSurfaces = false;  // instead of a result: every surface is lost before the call
    DWORD surfaceCaps = 0;       // only calls on surfaces with all of these capabilities count
};

struct CapsOverride {
    bool active = false;
    DWORD driverCaps = 0, driverFxCaps = 0, helCaps = 0, helFxCaps = 0;
};

struct ControlState {
    std::mutex mutex;
    std::vector<Fault> faults;
    std::vector<Call> calls;
    CapsOverride caps;
};
ControlState& Controls();

// The injected result for this call of `op` (on a surface with capabilities `caps`), if a fault
// falls due; counts the call either way.
std::optional<HRESULT> TakeFaultSlow(const char* op, DWORD caps);
inline std::optional<HRESULT> TakeFault(const char* op, DWORD caps = 0) {
    if (gArmedFaults.load(std::memory_order_relaxed) == 0) return std::nullopt;
    return TakeFaultSlow(op, caps);
}

// Stores the count the hot paths test; the caller holds the mutex.
void Rearm(ControlState& state);

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

CapsOverride CurrentCapsOverride();

void AddLiveObject();
void RemoveLiveObject();

// Video memory in use summed over all DirectDraw objects.
void AddVideoMemoryUsed(std::int64_t delta);

}  // namespace platform::ddraw::detail
