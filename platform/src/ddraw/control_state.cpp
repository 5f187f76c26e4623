#include "ddraw/control_state.h"

#include "ddraw/surface.h"

namespace platform::ddraw::detail {

std::atomic<int> gArmedFaults{0};
std::atomic<bool> gCallLogOn{false};
std::atomic<int> gLiveObjects{0};
std::atomic<std::int64_t> gVideoMemoryUsed{0};

ControlState& Controls() {
    static auto* state = new ControlState();
    return *state;
}

void Rearm(ControlState& state) {
    gArmedFaults.store(static_cast<int>(state.faults.size()), std::memory_order_relaxed);
}

std::optional<HRESULT> TakeFaultSlow(const char* op, DWORD caps) {
    std::optional<HRESULT> injected;
    bool loseSurfaces = false;
    {
        ControlState& state = Controls();
        std::lock_guard lock(state.mutex);
        for (Fault& fault : state.faults) {
            if (fault.op != op || (caps & fault.surfaceCaps) != fault.surfaceCaps) continue;
            if (fault.callsBeforeDue > 0) {
                --fault.callsBeforeDue;
                continue;
            }
            if (fault.timesLeft > 0) {
                --fault.timesLeft;
                if (fault.losesSurfaces) {
                    loseSurfaces = true;
                } else if (!injected) {
                    injected = fault.result;
                }
            }
        }
        std::erase_if(state.faults, [](const Fault& f) { return f.timesLeft <= 0; });
        Rearm(state);
    }
    // Outside the lock: the surface registry has a lock of its own.
    if (loseSurfaces) MarkAllSurfacesLost();
    return injected;
}

void AppendCall(Call call) {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    if (gCallLogOn.load(std::memory_order_relaxed)) state.calls.push_back(std::move(call));
}

CapsOverride CurrentCapsOverride() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    return state.caps;
}

void AddLiveObject() { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }
void RemoveLiveObject() { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }
void AddVideoMemoryUsed(std::int64_t delta) { gVideoMemoryUsed.fetch_add(delta, std::memory_order_relaxed); }

}  // namespace platform::ddraw::detail
