// Kernel basics: the millisecond tick, debugger output and the program's module handle.
#include <atomic>
#include <cstdio>
#include <ctime>
#include <optional>

#include "kernel/kernel_state.h"
#include "winbase.h"

namespace {

// Where a 32-bit Windows executable is loaded by default; any fixed non-null value would do.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000));

}  // namespace

namespace platform::kernel {

std::atomic<bool> gTickFixed{false};
std::atomic<DWORD> gFixedTick{0};

}  // namespace platform::kernel

using platform::kernel::gFixedTick;
using platform::kernel::gTickFixed;

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
