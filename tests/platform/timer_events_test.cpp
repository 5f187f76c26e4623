// The multimedia timer: callbacks on a thread of their own, stopping, killing from inside,
// failure injection, capabilities and resolution requests. No timing is asserted tighter than
// a loaded two-core machine allows; the period's accuracy is measured outside the tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "mm/timer_service.h"
#include "platform/host_control.h"
#include "mmsystem.h"

namespace {

using namespace std::chrono_literals;

struct TickLog {
    std::atomic<int> ticks{0};
    std::atomic<UINT> lastId{0};
    std::atomic<DWORD_PTR> lastUser{0};
    std::mutex mutex;
    std::thread::id thread;
    bool oneThread = true;
    int killAt = 0;  // kill the timer from inside its own callback on this tick
    std::atomic<MMRESULT> killResult{0xFFFF};
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
    if (tick == log->killAt) log->killResult = timeKillEvent(id);
}

template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::testing::FailTimeSetEvent(false);
        platform::testing::SetTimerCaps(std::nullopt);
        platform::testing::ClearTimerCalls();
        platform::mm::StopAllTimers();
    }
};

TEST_F(TimerTest, APeriodicTimerTicksOnItsOwnThreadUntilKilled) {
    TickLog log;
    const MMRESULT id = timeSetEvent(20, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return log.ticks >= 3; }, 2000ms)) << "ticks: " << log.ticks;
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    const int atKill = log.ticks;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.ticks, atKill) << "a callback ran after timeKillEvent returned";

    std::lock_guard lock(log.mutex);
    EXPECT_NE(log.thread, std::this_thread::get_id());
    EXPECT_TRUE(log.oneThread);
    EXPECT_EQ(log.lastId, id);
    EXPECT_EQ(log.lastUser, reinterpret_cast<DWORD_PTR>(&log));
}

TEST_F(TimerTest, ATimerCanKillItselfFromItsCallback) {
    TickLog log;
    log.killAt = 3;
    const MMRESULT id = timeSetEvent(10, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return log.killResult != 0xFFFF; }, 3000ms));
    EXPECT_EQ(log.killResult, static_cast<MMRESULT>(TIMERR_NOERROR));
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(log.ticks, 3);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOCANDO));
}

TEST_F(TimerTest, KillingAnUnknownOrKilledTimerCannotBeDone) {
    EXPECT_EQ(timeKillEvent(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeKillEvent(123456), static_cast<MMRESULT>(TIMERR_NOCANDO));
    TickLog log;
    const MMRESULT id = timeSetEvent(1000, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    // A long period does not hold up the kill.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(log.ticks, 0);
}

TEST_F(TimerTest, TwoTimersRunSideBySideWithDistinctIds) {
    TickLog a;
    TickLog b;
    const MMRESULT ida = timeSetEvent(15, 5, CountTick, reinterpret_cast<DWORD_PTR>(&a), TIME_PERIODIC);
    const MMRESULT idb = timeSetEvent(15, 5, CountTick, reinterpret_cast<DWORD_PTR>(&b), TIME_PERIODIC);
    ASSERT_NE(ida, 0u);
    ASSERT_NE(idb, 0u);
    EXPECT_NE(ida, idb);
    EXPECT_TRUE(WaitFor([&] { return a.ticks >= 2 && b.ticks >= 2; }, 2000ms));
    EXPECT_EQ(timeKillEvent(ida), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeKillEvent(idb), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(a.lastId, ida);
    EXPECT_EQ(b.lastId, idb);
}

TEST_F(TimerTest, AOneShotTimerFiresOnce) {
    TickLog log;
    const MMRESULT id = timeSetEvent(10, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return log.ticks >= 1; }, 2000ms));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(log.ticks, 1);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
}

TEST_F(TimerTest, StopAllTimersEndsEveryRunningTimer) {
    TickLog log;
    ASSERT_NE(timeSetEvent(5, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC), 0u);
    ASSERT_TRUE(WaitFor([&] { return log.ticks >= 1; }, 2000ms));
    platform::mm::StopAllTimers();
    const int atStop = log.ticks;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(log.ticks, atStop);
}

TEST_F(TimerTest, InvalidRequestsAndInjectedFailuresGiveNoTimer) {
    TickLog log;
    const auto user = reinterpret_cast<DWORD_PTR>(&log);
    EXPECT_EQ(timeSetEvent(66, 5, nullptr, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(0, 5, CountTick, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(1000001, 5, CountTick, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(66, 5, CountTick, user, 0x100), 0u);

    platform::testing::FailTimeSetEvent(true);
    EXPECT_EQ(timeSetEvent(66, 5, CountTick, user, TIME_PERIODIC), 0u);
    platform::testing::FailTimeSetEvent(false);
    const MMRESULT id = timeSetEvent(66, 5, CountTick, user, TIME_PERIODIC);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
}

TEST_F(TimerTest, CapsAreTheDefaultsUnlessOverridden) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(caps.wPeriodMax, 1000000u);

    platform::testing::SetTimerCaps(TIMECAPS{10, 4});
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(caps.wPeriodMin, 10u);
    EXPECT_EQ(caps.wPeriodMax, 4u);

    platform::testing::SetTimerCaps(std::nullopt, TIMERR_NOCANDO);
    caps = TIMECAPS{77, 77};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(caps.wPeriodMin, 77u);

    platform::testing::SetTimerCaps(std::nullopt);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeGetDevCaps(&caps, 4), static_cast<MMRESULT>(TIMERR_NOCANDO));
}

TEST_F(TimerTest, ResolutionRequestsAreRecordedInOrder) {
    platform::testing::ClearTimerCalls();
    EXPECT_EQ(timeBeginPeriod(5), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(5), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));  // no timer ever asked for 0
    EXPECT_EQ(platform::testing::BeginPeriodCalls(), (std::vector<UINT>{5, 1}));
    EXPECT_EQ(platform::testing::EndPeriodCalls(), (std::vector<UINT>{5, 0}));
    platform::testing::ClearTimerCalls();
    EXPECT_TRUE(platform::testing::BeginPeriodCalls().empty());
    EXPECT_TRUE(platform::testing::EndPeriodCalls().empty());
}

}  // namespace
