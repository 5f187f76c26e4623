// The animation timer: resolution choice, stepping only while active, start and stop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/null/null_host_control.h"
#include "mm/timer_control.h"

#include "app/animation_timer.h"
#include "app/globals.h"
#include "scene/scene_state.h"

namespace {

class AnimationTimer : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::UseNullHost();
        platform::testing::ClearTimerCalls();
        gScene = &scene_;
        gAppActive = 0;
        gTimerId = 0;
        gTimerPeriod = 0;
    }
    void TearDown() override {
        if (gTimerId != 0) StopAnimationTimer();
        platform::testing::SetTimerCaps(std::nullopt);
        platform::testing::FailTimeSetEvent(false);
        gScene = nullptr;
        gAppActive = 0;
    }
    SceneState scene_;
};

TEST_F(AnimationTimer, ResolutionFollowsTheDeviceLimits) {
    const struct {
        UINT min, max, want;
    } table[] = {{1, 1000000, 5}, {10, 1000000, 10}, {1, 4, 4}, {5, 5, 5}, {1, 5, 5}, {6, 6, 6}};
    for (const auto& row : table) {
        EXPECT_EQ(ChooseTimerResolution(TIMECAPS{row.min, row.max}), row.want) << row.min << ".." << row.max;
    }
    platform::testing::SetTimerCaps(TIMECAPS{10, 1000000});
    ASSERT_NE(StartAnimationTimer(), 0);
    EXPECT_EQ(gTimerPeriod, 10u);
    ASSERT_EQ(platform::testing::BeginPeriodCalls().size(), 1u);
    EXPECT_EQ(platform::testing::BeginPeriodCalls()[0], 10u);
}

TEST_F(AnimationTimer, TicksStepTheSceneOnlyWhileActive) {
    AnimationTimerProc(1, 0, 0, 0, 0);
    EXPECT_EQ(scene_.gnollX.load(), 0) << "no step before the first activation";
    gAppActive = 1;
    AnimationTimerProc(1, 0, 0, 0, 0);
    EXPECT_EQ(scene_.gnollX.load(), 5);
    gAppActive = 0;
    AnimationTimerProc(1, 0, 0, 0, 0);
    AnimationTimerProc(1, 0, 0, 0, 0);
    EXPECT_EQ(scene_.gnollX.load(), 5) << "frozen while inactive; missed ticks are not made up";
    gAppActive = 1;
    AnimationTimerProc(1, 0, 0, 0, 0);
    EXPECT_EQ(scene_.gnollX.load(), 10);
}

TEST_F(AnimationTimer, StopWithoutATimerStillEndsThePeriod) {
    gTimerPeriod = 7;
    StopAnimationTimer();
    EXPECT_EQ(gTimerId, 0u);
    ASSERT_EQ(platform::testing::EndPeriodCalls().size(), 1u);
    EXPECT_EQ(platform::testing::EndPeriodCalls()[0], 7u);
}

TEST_F(AnimationTimer, AFailedTimerIsReported) {
    platform::testing::FailTimeSetEvent(true);
    EXPECT_EQ(StartAnimationTimer(), 0);
    EXPECT_EQ(gTimerId, 0u);
}

TEST_F(AnimationTimer, ARealTimerStepsTheSceneOnItsOwnThreadAndStops) {
    gAppActive = 1;
    ASSERT_NE(StartAnimationTimer(), 0);
    ASSERT_NE(gTimerId, 0u);
    // 66 ms ticks: a loaded machine still manages two within a few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene_.gnollX.load() < 10 && std::chrono::steady_clock::now() < deadline) {
        // The composer's way of reading: wait out a step, then copy.
        while (scene_.busy.load(std::memory_order_acquire) == 1) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(scene_.gnollX.load(), 10);
    StopAnimationTimer();
    EXPECT_EQ(gTimerId, 0u);
    const std::int32_t stoppedAt = scene_.gnollX.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(scene_.gnollX.load(), stoppedAt) << "no tick after the timer was stopped";
}

}  // namespace
