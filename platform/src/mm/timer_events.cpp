// Timer events: each timer runs its callback on a thread of its own, at raised priority, waking
// at absolute deadlines on the monotonic clock (deadline += period), so the period never drifts
// however long the callback takes.
//
// timeKillEvent waits for a running callback only for a timer made with TIME_KILL_SYNCHRONOUS;
// otherwise it returns at once, as on Windows, and the callback may still be running. Such a
// timer's thread ends on its own and is joined later: by the next timer call once it has ended,
// or by StopAllTimers at the latest.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mm/timer_priority.h"
#include "mm/timer_service.h"
#include "mmsystem.h"
#include "run_diagnostics.h"

namespace {

using Nanoseconds = std::int64_t;

constexpr Nanoseconds kNsPerMs = 1'000'000;
constexpr Nanoseconds kNsPerSecond = 1'000'000'000;
constexpr UINT kMaxDelayMs = 1000000;  // the device maximum timeGetDevCaps reports
constexpr UINT kFlagsKnown = TIME_PERIODIC | TIME_KILL_SYNCHRONOUS;

struct Timer {
    UINT id = 0;
    Nanoseconds periodNs = 0;
    bool periodic = false;
    bool killWaits = false;  // TIME_KILL_SYNCHRONOUS
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    std::mutex wakeMutex;
    std::condition_variable wake;    // signalled on stop, so a kill never waits out a period
    bool stop = false;               // guarded by wakeMutex
    std::atomic<bool> ended{false};  // the thread has left its loop and touches nothing more
    std::thread thread;
};

struct Registry {
    std::mutex mutex;
    std::map<UINT, std::shared_ptr<Timer>> timers;
    std::vector<std::shared_ptr<Timer>> ending;  // killed, thread not joined yet
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

// Sleeps to the deadline; false when the timer was stopped meanwhile. The condition variable
// waits on the monotonic clock, so its deadline is as exact as clock_nanosleep's.
bool WaitForDeadline(Timer& timer, Nanoseconds deadline) {
    const std::chrono::steady_clock::time_point at{std::chrono::nanoseconds(deadline)};
    std::unique_lock lock(timer.wakeMutex);
    return !timer.wake.wait_until(lock, at, [&] { return timer.stop; });
}

void Stop(Timer& timer) {
    {
        std::lock_guard lock(timer.wakeMutex);
        timer.stop = true;
    }
    timer.wake.notify_all();
}

// Says once per process, when the run is traced, what priority the timer threads get.
void ReportPriority(const std::string& priority) {
    static std::once_flag reported;
    if (!diagnostics::TraceEnabled()) return;
    std::call_once(reported,
                   [&] { std::fprintf(stderr, "vornhollow: the timer thread runs at %s\n", priority.c_str()); });
}

void RunTimer(std::shared_ptr<Timer> timer) {
    {
        // timeSetEvent holds this while it stores the thread object: wait for it to finish.
        std::lock_guard lock(Timers().mutex);
    }
    pthread_setname_np(pthread_self(), "vh-mmtimer");
    ReportPriority(platform::mm::RaiseThreadPriority());
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
    timer->ended.store(true, std::memory_order_release);
}

// Joins the killed timers whose threads have ended; the registry's mutex is held.
void JoinEnded(Registry& registry) {
    std::erase_if(registry.ending, [](const std::shared_ptr<Timer>& timer) {
        if (!timer->ended.load(std::memory_order_acquire)) return false;
        timer->thread.join();
        return true;
    });
}

}  // namespace

MMRESULT WINAPI timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    {
        platform::mm::CapsState& calls = platform::mm::Caps();
        std::lock_guard lock(calls.mutex);
        calls.setEventCalls.push_back({delay, resolution, flags});
    }
    if (callback == nullptr || delay == 0 || delay > kMaxDelayMs || (flags & ~kFlagsKnown) != 0) return 0;
    if (platform::mm::gFailSetEvent.load()) return 0;

    auto timer = std::make_shared<Timer>();
    timer->periodNs = static_cast<Nanoseconds>(delay) * kNsPerMs;
    timer->periodic = (flags & TIME_PERIODIC) != 0;
    timer->killWaits = (flags & TIME_KILL_SYNCHRONOUS) != 0;
    timer->callback = callback;
    timer->user = user;

    Registry& registry = Timers();
    std::lock_guard lock(registry.mutex);
    JoinEnded(registry);
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
        JoinEnded(registry);
        const auto found = registry.timers.find(timerId);
        if (found == registry.timers.end()) return TIMERR_NOCANDO;
        timer = found->second;
        registry.timers.erase(found);
        Stop(*timer);
        // A callback killing its own timer cannot wait for itself: its thread ends as soon as
        // the callback returns.
        if (!timer->killWaits || tCurrentTimer == timer.get()) {
            registry.ending.push_back(std::move(timer));
            return TIMERR_NOERROR;
        }
    }
    timer->thread.join();
    return TIMERR_NOERROR;
}

namespace platform::mm {

void StopAllTimers() {
    std::vector<std::shared_ptr<Timer>> timers;
    {
        Registry& registry = Timers();
        std::lock_guard lock(registry.mutex);
        for (auto& [id, timer] : registry.timers) timers.push_back(std::move(timer));
        registry.timers.clear();
        timers.insert(timers.end(), registry.ending.begin(), registry.ending.end());
        registry.ending.clear();
    }
    // All are told first, so their threads end together.
    for (const auto& timer : timers) Stop(*timer);
    for (const auto& timer : timers) {
        if (timer.get() == tCurrentTimer)
            timer->thread.detach();  // called from a callback: this thread cannot wait for itself
        else
            timer->thread.join();
    }
}

}  // namespace platform::mm
