// The multimedia timer: ids, both kills, killing from inside, bad requests, caps; no timing tighter than a loaded
// machine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "mm/timer_service.h"
#include "mmsystem.h"

namespace {

using namespace std::chrono_literals;

bool WaitFor(auto done, std::chrono::milliseconds limit) {
    for (const auto until = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(2ms))
        if (std::chrono::steady_clock::now() > until) return false;
    return true;
}

struct TickLog {
    std::atomic<int> ticks{0};
    std::atomic<UINT> lastId{0};
    int killAt = 0;  // kill the timer from inside its own callback on this tick
    std::atomic<MMRESULT> killResult{0xFFFF};
    int holdAt = 0;  // this tick's callback runs until released or holdFor has passed
    std::chrono::milliseconds holdFor{0};
    std::atomic<bool> holding{false}, release{false}, held{false};
};

void CALLBACK CountTick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* log = reinterpret_cast<TickLog*>(user);
    log->lastId = id;
    const int tick = ++log->ticks;
    if (tick == log->killAt) log->killResult = timeKillEvent(id);
    if (tick != log->holdAt) return;
    log->holding = true;
    WaitFor([log] { return log->release.load(); }, log->holdFor);
    log->held = true;  // the callback's last touch of the log
}

MMRESULT Start(UINT ms, TickLog& log, UINT flags = TIME_PERIODIC) {
    return timeSetEvent(ms, 5, CountTick, reinterpret_cast<DWORD_PTR>(&log), flags);
}

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override { platform::mm::StopAllTimers(); }
};

// Killed in its second callback: TIME_KILL_SYNCHRONOUS waits for it, a plain kill does not; no tick follows either way.
TEST_F(TimerTest, APeriodicTimerTicksUntilKilled) {
    for (const bool waits : {true, false}) {
        SCOPED_TRACE(waits ? "TIME_KILL_SYNCHRONOUS" : "plain kill");
        // A kill that waits must not wait long; one that does not is seen returning mid-callback.
        TickLog log;
        log.holdAt = 2, log.holdFor = waits ? 100ms : 10000ms;
        const MMRESULT id = Start(20, log, TIME_PERIODIC | (waits ? TIME_KILL_SYNCHRONOUS : 0));
        ASSERT_NE(id, 0u);
        ASSERT_TRUE(WaitFor([&] { return log.holding.load(); }, 30000ms)) << "ticks: " << log.ticks;
        EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
        EXPECT_EQ(log.held.load(), waits);
        log.release = true;
        ASSERT_TRUE(WaitFor([&] { return log.held.load(); }, 30000ms));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(log.ticks, 2) << "a callback ran after the killed timer's last one";
        EXPECT_EQ(timeKillEvent(id), TIMERR_NOCANDO);
        EXPECT_EQ(log.lastId, id);
    }
}

TEST_F(TimerTest, SelfKillOneShotAndStopAll) {
    TickLog self, once, periodic;
    self.killAt = 3;
    periodic.holdAt = 2, periodic.holdFor = 400ms;  // still running when all are stopped
    const MMRESULT selfId = Start(10, self), onceId = Start(10, once, TIME_ONESHOT);
    ASSERT_TRUE(selfId != 0 && onceId != 0 && selfId != onceId) << selfId << " " << onceId;
    ASSERT_NE(Start(5, periodic), 0u);
    ASSERT_TRUE(WaitFor([&] { return self.killResult != 0xFFFF && once.ticks >= 1 && periodic.ticks >= 1; }, 30000ms));
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(self.killResult, TIMERR_NOERROR);
    EXPECT_EQ(self.ticks, 3);
    EXPECT_EQ(timeKillEvent(selfId), TIMERR_NOCANDO);
    EXPECT_EQ(once.ticks, 1);
    EXPECT_EQ(once.lastId, onceId);
    EXPECT_EQ(timeKillEvent(onceId), TIMERR_NOERROR);
    ASSERT_TRUE(WaitFor([&] { return periodic.holding.load(); }, 30000ms));
    platform::mm::StopAllTimers();
    EXPECT_TRUE(periodic.held) << "StopAllTimers returned while a callback still ran";
    const int atStop = periodic.ticks;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(periodic.ticks, atStop);
}

TEST_F(TimerTest, InvalidRequestsGiveNoTimerAndCapsAreTheDefaults) {
    TickLog log;
    EXPECT_EQ(timeSetEvent(66, 5, nullptr, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC), 0u);
    EXPECT_EQ(Start(0, log), 0u);
    EXPECT_EQ(Start(1000001, log), 0u);
    EXPECT_EQ(Start(66, log, 0x10), 0u);  // TIME_CALLBACK_EVENT_SET: only callbacks here
    EXPECT_EQ(timeKillEvent(123456), TIMERR_NOCANDO);
    const MMRESULT id = Start(1000000, log, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    ASSERT_NE(id, 0u) << "the longest period is allowed";
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);  // at once, not after the period
    EXPECT_EQ(log.ticks, 0);

    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ((std::pair{caps.wPeriodMin, caps.wPeriodMax}), (std::pair<UINT, UINT>{1, 1000000}));
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps - 1), TIMERR_NOCANDO);
}

}  // namespace
