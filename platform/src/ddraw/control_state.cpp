#include "ddraw/control_state.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform::ddraw {
namespace detail {

std::atomic<int> gArmedFaults{0};
std::atomic<bool> gCallLogOn{false};

namespace {

struct Fault {
    std::string op;
    int callsBeforeDue;  // calls to let through before the fault starts
    int timesLeft;
    HRESULT result;
};

std::mutex gMutex;
std::vector<Fault> gFaults;  // guarded by gMutex
std::vector<Call> gCalls;    // guarded by gMutex
CapsOverride gCapsOverride;  // guarded by gMutex
std::atomic<int> gLiveObjects{0};
std::atomic<std::int64_t> gVideoMemoryUsed{0};

}  // namespace

std::optional<HRESULT> TakeFaultSlow(const char* op) {
    std::lock_guard lock(gMutex);
    std::optional<HRESULT> injected;
    for (Fault& fault : gFaults) {
        if (fault.op != op) continue;
        if (fault.callsBeforeDue > 0) {
            --fault.callsBeforeDue;
            continue;
        }
        if (fault.timesLeft > 0) {
            --fault.timesLeft;
            if (!injected) injected = fault.result;
        }
    }
    std::erase_if(gFaults, [](const Fault& f) { return f.timesLeft <= 0; });
    gArmedFaults.store(static_cast<int>(gFaults.size()), std::memory_order_relaxed);
    return injected;
}

void AppendCall(Call call) {
    std::lock_guard lock(gMutex);
    if (gCallLogOn.load(std::memory_order_relaxed)) gCalls.push_back(std::move(call));
}

CapsOverride CurrentCapsOverride() {
    std::lock_guard lock(gMutex);
    return gCapsOverride;
}

void AddLiveObject() { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }
void RemoveLiveObject() { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }
void AddVideoMemoryUsed(std::int64_t delta) { gVideoMemoryUsed.fetch_add(delta, std::memory_order_relaxed); }

}  // namespace detail

using namespace detail;

void InjectFault(const char* op, int nth, HRESULT result, int times) {
    if (op == nullptr || nth < 1 || times < 1) return;
    std::lock_guard lock(gMutex);
    gFaults.push_back(Fault{op, nth - 1, times, result});
    gArmedFaults.store(static_cast<int>(gFaults.size()), std::memory_order_relaxed);
}

void ClearFaults() {
    std::lock_guard lock(gMutex);
    gFaults.clear();
    gArmedFaults.store(0, std::memory_order_relaxed);
}

void SetCapsOverride(DWORD driverCaps, DWORD driverFxCaps, DWORD helCaps, DWORD helFxCaps) {
    std::lock_guard lock(gMutex);
    gCapsOverride = CapsOverride{true, driverCaps, driverFxCaps, helCaps, helFxCaps};
}

void ClearCapsOverride() {
    std::lock_guard lock(gMutex);
    gCapsOverride = CapsOverride{};
}

void StartCallLog() {
    std::lock_guard lock(gMutex);
    gCalls.clear();
    gCallLogOn.store(true, std::memory_order_relaxed);
}

std::vector<Call> CallLog() {
    std::lock_guard lock(gMutex);
    return gCalls;
}

void StopCallLog() {
    std::lock_guard lock(gMutex);
    gCallLogOn.store(false, std::memory_order_relaxed);
}

int LiveObjectCount() { return gLiveObjects.load(std::memory_order_relaxed); }

std::uint32_t VideoMemoryUsedBytes() {
    return static_cast<std::uint32_t>(gVideoMemoryUsed.load(std::memory_order_relaxed));
}

void ResetForTesting() {
    UseBaselineBlitter(false);
    ClearFaults();
    ClearCapsOverride();
    std::lock_guard lock(gMutex);
    gCalls.clear();
    gCallLogOn.store(false, std::memory_order_relaxed);
}

}  // namespace platform::ddraw
