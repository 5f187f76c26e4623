// Timer events: each timer runs its callback on a thread of its own, waking at absolute
// deadlines on the monotonic clock (deadline += period), so the period never drifts however
// long the callback takes.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "mm/timer_service.h"
#include "mmsystem.h"

namespace {

using Nanoseconds = std::int64_t;

constexpr Nanoseconds kNsPerMs = 1'000'000;
constexpr Nanoseconds kNsPerSecond = 1'000'000'000;
// Longest single sleep: a stop request is noticed within this time even for long periods.
constexpr Nanoseconds kStopCheckNs = 20 * kNsPerMs;
constexpr UINT kMaxDelayMs = 1000000;  // the device maximum timeGetDevCaps reports

struct Timer {
    UINT id = 0;
    Nanoseconds periodNs = 0;
    bool periodic = false;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    std::atomic<bool> stop{false};
    std::thread thread;
};

struct Registry {
    std::mutex mutex;
    std::map<UINT, std::shared_ptr<Timer>> timers;
    UINT nextId = 1;
};

// Never destroyed: timers may still be running when static destructors run.
Registry& Timers() {
    static auto* registry = new Registry();
    return *registry;
}

// The timer whose callback this thread runs, so a callback that kills its own timer is known.
thread_local const Timer* tCurrentTimer = nullptr;

Nanoseconds MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<Nanoseconds>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

void SleepUntil(Nanoseconds at) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(at / kNsPerSecond);
    until.tv_nsec = static_cast<long>(at % kNsPerSecond);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Sleeps to the deadline in slices; false when the timer was stopped meanwhile.
bool WaitForDeadline(const Timer& timer, Nanoseconds deadline) {
    for (;;) {
        if (timer.stop.load(std::memory_order_acquire)) return false;
        const Nanoseconds now = MonotonicNow();
        if (now >= deadline) return true;
        SleepUntil(std::min(deadline, now + kStopCheckNs));
    }
}

void RunTimer(std::shared_ptr<Timer> timer) {
    {
        // timeSetEvent holds this while it stores the thread object: wait for it to finish.
        std::lock_guard lock(Timers().mutex);
    }
    pthread_setname_np(pthread_self(), "vh-mmtimer");
    tCurrentTimer = timer.get();
    Nanoseconds deadline = MonotonicNow() + timer->periodNs;
    while (WaitForDeadline(*timer, deadline)) {
        timer->callback(timer->id, 0, timer->user, 0, 0);
        if (!timer->periodic) break;
        deadline += timer->periodNs;
        // Fell more than a whole period behind (a slow callback, a stalled machine): skip the
        // missed ticks instead of firing them in a burst, keeping the original phase.
        const Nanoseconds late = MonotonicNow() - deadline;
        if (late >= timer->periodNs) deadline += late / timer->periodNs * timer->periodNs;
    }
    tCurrentTimer = nullptr;
}

void Stop(const std::shared_ptr<Timer>& timer) {
    timer->stop.store(true, std::memory_order_release);
    if (tCurrentTimer == timer.get()) {
        // Killed from its own callback: the thread cannot wait for itself. It sees the stop
        // flag as soon as the callback returns and ends on its own.
        timer->thread.detach();
    } else if (timer->thread.joinable()) {
        timer->thread.join();
    }
}

}  // namespace

MMRESULT WINAPI timeSetEvent(UINT delay, UINT /*resolution*/, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (callback == nullptr || delay == 0 || delay > kMaxDelayMs || (flags & ~UINT{TIME_PERIODIC}) != 0) return 0;
    if (platform::mm::gFailSetEvent.load()) return 0;

    auto timer = std::make_shared<Timer>();
    timer->periodNs = static_cast<Nanoseconds>(delay) * kNsPerMs;
    timer->periodic = (flags & TIME_PERIODIC) != 0;
    timer->callback = callback;
    timer->user = user;

    Registry& registry = Timers();
    std::lock_guard lock(registry.mutex);
    timer->id = registry.nextId++;
    if (registry.nextId == 0) registry.nextId = 1;  // 0 means failure, never hand it out
    try {
        timer->thread = std::thread(RunTimer, timer);
    } catch (const std::system_error&) {
        return 0;
    }
    registry.timers[timer->id] = timer;
    return timer->id;
}

MMRESULT WINAPI timeKillEvent(UINT timerId) {
    std::shared_ptr<Timer> timer;
    {
        Registry& registry = Timers();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.timers.find(timerId);
        if (found == registry.timers.end()) return TIMERR_NOCANDO;
        timer = found->second;
        registry.timers.erase(found);
    }
    Stop(timer);
    return TIMERR_NOERROR;
}

namespace platform::mm {

void StopAllTimers() {
    std::map<UINT, std::shared_ptr<Timer>> running;
    {
        Registry& registry = Timers();
        std::lock_guard lock(registry.mutex);
        running.swap(registry.timers);
    }
    for (auto& [id, timer] : running) Stop(timer);
}

}  // namespace platform::mm
