// The multimedia timer: callbacks on a thread of their own, the two ways of killing a timer,
// killing from inside, failure injection and capabilities. No timing is asserted tighter than
// a loaded two-core machine allows; the period's accuracy is measured outside the tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>

#include "mm/timer_control.h"
#include "mm/timer_service.h"
#include "mmsystem.h"

namespace {

using namespace std::chrono_literals;

template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
    for (const auto until = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(2ms))
        if (std::chrono::steady_clock::now() > until) return false;
    return true;
}

struct TickLog {
    std::atomic<int> ticks{0};
    std::atomic<UINT> lastId{0};
    std::atomic<DWORD_PTR> lastUser{0};
    std::mutex mutex;
    std::thread::id thread;
    bool oneThread = true;
    int killAt = 0;  // kill the timer from inside its own callback on this tick
    std::atomic<MMRESULT> killResult{0xFFFF};
    int holdAt = 0;  // this tick's callback runs until released or holdFor has passed
    std::chrono::milliseconds holdFor{0};
    std::atomic<bool> holding{false}, release{false}, held{false};
};

void CALLBACK CountTick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* log = reinterpret_cast<TickLog*>(user);
    {
        std::lock_guard lock(log->mutex);
        if (log->ticks == 0) log->thread = std::this_thread::get_id();
        log->oneThread = log->oneThread && log->thread == std::this_thread::get_id();
    }
    log->lastId = id;
    log->lastUser = user;
    const int tick = ++log->ticks;
    if (tick == log->killAt) {
        log->killResult = timeKillEvent(id);
    } else if (tick == log->holdAt) {
        log->holding = true;
        WaitFor([log] { return log->release.load(); }, log->holdFor);
        log->held = true;  // the callback's last touch of the log
    }
}

MMRESULT Start(UINT ms, TickLog& log, UINT flags = TIME_PERIODIC) {
    return timeSetEvent(ms, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), flags);
}

constexpr MMRESULT kOk = TIMERR_NOERROR;
constexpr MMRESULT kNoCanDo = TIMERR_NOCANDO;

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::testing::FailTimeSetEvent(false);
        platform::testing::SetTimerCaps(std::nullopt);
        platform::testing::ClearTimerCalls();
        platform::mm::StopAllTimers();
    }
};

struct KillKind {
    const char* name;
    UINT flags;
    bool killWaits;  // timeKillEvent returns only once a running callback has returned
};

const KillKind kKillKinds[] = {
    {"Synchronous", TIME_PERIODIC | TIME_KILL_SYNCHRONOUS, true},
    {"Asynchronous", TIME_PERIODIC, false},
};

void PrintTo(const KillKind& kind, std::ostream* os) { *os << kind.name; }

class TimerKill : public TimerTest, public ::testing::WithParamInterface<KillKind> {};

// Killed while its second callback runs. Either way no tick follows that callback.
TEST_P(TimerKill, APeriodicTimerTicksOnItsOwnThreadUntilKilled) {
    const KillKind& kind = GetParam();
    TickLog log;
    log.holdAt = 2;
    // A kill that waits must not wait long; one that does not is seen returning mid-callback.
    log.holdFor = kind.killWaits ? 100ms : 10000ms;
    TickLog other;
    const MMRESULT id = Start(20, log, kind.flags);
    const MMRESULT otherId = Start(15, other, kind.flags);
    ASSERT_NE(id, 0u);
    ASSERT_NE(otherId, 0u);
    EXPECT_NE(id, otherId);
    ASSERT_TRUE(WaitFor([&] { return log.holding && other.ticks >= 2; }, 2000ms)) << "ticks: " << log.ticks;
    EXPECT_EQ(timeKillEvent(id), kOk);
    EXPECT_EQ(log.held.load(), kind.killWaits);
    log.release = true;
    ASSERT_TRUE(WaitFor([&] { return log.held.load(); }, 2000ms));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.ticks, 2) << "a callback ran after the killed timer's last one";
    EXPECT_EQ(timeKillEvent(id), kNoCanDo);
    EXPECT_EQ(timeKillEvent(otherId), kOk);
    EXPECT_EQ(other.lastId, otherId);
    // A callback of `other` may still run: the threads are joined before the logs go.
    platform::mm::StopAllTimers();

    std::lock_guard lock(log.mutex);
    EXPECT_NE(log.thread, std::this_thread::get_id());
    EXPECT_TRUE(log.oneThread);
    EXPECT_EQ(log.lastId, id);
    EXPECT_EQ(log.lastUser, reinterpret_cast<DWORD_PTR>(&log));
}

INSTANTIATE_TEST_SUITE_P(Table, TimerKill, ::testing::ValuesIn(kKillKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TimerTest, ATimerCanKillItselfFromItsCallback) {
    TickLog log;
    log.killAt = 3;
    const MMRESULT id = Start(10, log);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return log.killResult != 0xFFFF; }, 3000ms));
    EXPECT_EQ(log.killResult, kOk);
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(log.ticks, 3);
    EXPECT_EQ(timeKillEvent(id), kNoCanDo);
}

TEST_F(TimerTest, AOneShotTimerFiresOnceAndStopAllEndsPeriodicOnes) {
    TickLog once;
    TickLog periodic;
    const MMRESULT id = Start(10, once, TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    ASSERT_NE(Start(5, periodic), 0u);
    ASSERT_TRUE(WaitFor([&] { return once.ticks >= 1 && periodic.ticks >= 1; }, 2000ms));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(once.ticks, 1);
    EXPECT_EQ(timeKillEvent(id), kOk);
    platform::mm::StopAllTimers();
    const int atStop = periodic.ticks;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(periodic.ticks, atStop);
}

TEST_F(TimerTest, InvalidRequestsAndInjectedFailuresGiveNoTimer) {
    TickLog log;
    EXPECT_EQ(timeSetEvent(66, 5, nullptr, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC), 0u);
    EXPECT_EQ(Start(0, log), 0u);
    EXPECT_EQ(Start(1000001, log), 0u);
    EXPECT_EQ(Start(66, log, 0x10), 0u);  // TIME_CALLBACK_EVENT_SET: only callbacks here

    platform::testing::FailTimeSetEvent(true);
    EXPECT_EQ(Start(66, log), 0u);
    platform::testing::FailTimeSetEvent(false);
    EXPECT_EQ(timeKillEvent(123456), kNoCanDo);
    const MMRESULT id = Start(1000, log, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    ASSERT_NE(id, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(timeKillEvent(id), kOk);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);  // a long period does not hold up a waiting kill
    EXPECT_EQ(log.ticks, 0);
}

TEST_F(TimerTest, CapsAreTheDefaultsUnlessOverridden) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), kOk);
    EXPECT_EQ((std::pair{caps.wPeriodMin, caps.wPeriodMax}), (std::pair<UINT, UINT>{1, 1000000}));

    platform::testing::SetTimerCaps(TIMECAPS{10, 4});
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), kOk);
    EXPECT_EQ((std::pair{caps.wPeriodMin, caps.wPeriodMax}), (std::pair<UINT, UINT>{10, 4}));

    platform::testing::SetTimerCaps(std::nullopt, TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), kNoCanDo);
    EXPECT_EQ(caps.wPeriodMin, 10u);  // left as it was
    platform::testing::SetTimerCaps(std::nullopt);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), kNoCanDo);
    EXPECT_EQ(timeGetDevCaps(&caps, 4), kNoCanDo);
}

}  // namespace
