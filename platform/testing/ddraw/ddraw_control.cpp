#include "ddraw/ddraw_control.h"

#include <mutex>

#include "ddraw/control_state.h"
#include "ddraw/palette.h"

namespace platform::ddraw {

using namespace detail;

void InjectFault(const char* op, int nth, HRESULT result, int times) {
    if (op == nullptr || nth < 1 || times < 1) return;
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.faults.push_back(Fault{op, nth - 1, times, result});
    Rearm(state);
}

void InjectFaultOn(const char* op, DWORD surfaceCaps, int nth, HRESULT result, int times) {
    if (op == nullptr || nth < 1 || times < 1) return;
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.faults.push_back(Fault{op, nth - 1, times, result, false, surfaceCaps});
    Rearm(state);
}

void LoseAllSurfacesAt(const char* op, int nth) {
    if (op == nullptr || nth < 1) return;
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.faults.push_back(Fault{op, nth - 1, 1, DD_OK, true});
    Rearm(state);
}

void ClearFaults() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.faults.clear();
    Rearm(state);
}

void SetCapsOverride(DWORD driverCaps, DWORD driverFxCaps, DWORD helCaps, DWORD helFxCaps) {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.caps = CapsOverride{true, driverCaps, driverFxCaps, helCaps, helFxCaps};
}

void ClearCapsOverride() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.caps = CapsOverride{};
}

void StartCallLog() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.calls.clear();
    gCallLogOn.store(true, std::memory_order_relaxed);
}

std::vector<Call> CallLog() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    return state.calls;
}

void StopCallLog() {
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    gCallLogOn.store(false, std::memory_order_relaxed);
}

int LiveObjectCount() { return gLiveObjects.load(std::memory_order_relaxed); }

std::uint32_t VideoMemoryUsedBytes() {
    return static_cast<std::uint32_t>(gVideoMemoryUsed.load(std::memory_order_relaxed));
}

PixelView SurfacePixels(IDirectDrawSurface* surface) {
    if (surface == nullptr) return PixelView{nullptr, 0, 0, 0};
    return Surface::From(surface)->View();
}

std::vector<PALETTEENTRY> PaletteEntries(IDirectDrawPalette* palette) {
    const auto* ours = dynamic_cast<const Palette*>(palette);
    if (ours == nullptr) return {};
    return {ours->entries().begin(), ours->entries().end()};
}

void ResetForTesting() {
    UseBaselineBlitter(false);
    ClearFaults();
    ClearCapsOverride();
    ControlState& state = Controls();
    std::lock_guard lock(state.mutex);
    state.calls.clear();
    gCallLogOn.store(false, std::memory_order_relaxed);
}

}  // namespace platform::ddraw
