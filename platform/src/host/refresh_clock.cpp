#include "host/refresh_clock.h"

#include <cerrno>
#include <ctime>

namespace platform::host {
namespace {

constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

std::uint64_t MonotonicNowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * kNsPerSecond + static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace

std::uint64_t NextRefreshNs(std::uint64_t nowNs, std::uint32_t hz) {
    // Whole seconds and the remainder are handled apart, so the fractional period stays exact
    // and nothing overflows however long the machine has been up.
    const std::uint64_t seconds = nowNs / kNsPerSecond;
    const std::uint64_t inSecond = nowNs % kNsPerSecond;
    const std::uint64_t nextInSecond = inSecond * hz / kNsPerSecond + 1;  // 1..hz
    const std::uint64_t offset = (nextInSecond * kNsPerSecond + hz - 1) / hz;
    return seconds * kNsPerSecond + offset;
}

void SleepUntilNextRefresh(std::uint32_t hz) {
    const std::uint64_t deadline = NextRefreshNs(MonotonicNowNs(), hz);
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadline / kNsPerSecond);
    until.tv_nsec = static_cast<long>(deadline % kNsPerSecond);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

}  // namespace platform::host
