// Kernel basics: the millisecond tick, debugger output and the program's module handle.
#include <atomic>
#include <cstdio>
#include <ctime>
#include <optional>

#include "platform/host_control.h"
#include "winbase.h"

namespace {

// Where a 32-bit Windows executable is loaded by default; any fixed non-null value would do.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000));

std::atomic<bool> gTickFixed{false};
std::atomic<DWORD> gFixedTick{0};

}  // namespace

DWORD WINAPI GetTickCount() {
    if (gTickFixed.load(std::memory_order_acquire)) return gFixedTick.load(std::memory_order_relaxed);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<DWORD>(ms);  // wraps every 2^32 ms, as Windows' does
}

void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) return;
    std::fputs(text, stderr);
    std::fflush(stderr);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) { return moduleName == nullptr ? kProgramModule : nullptr; }

namespace platform::testing {

void SetTickCount(std::optional<DWORD> fixed) {
    gFixedTick.store(fixed.value_or(0), std::memory_order_relaxed);
    gTickFixed.store(fixed.has_value(), std::memory_order_release);
}

}  // namespace platform::testing
