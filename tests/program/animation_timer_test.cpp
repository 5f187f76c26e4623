// The animation timer: resolution choice, stepping only while active, start and stop, the trace.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "common/diagnostics_store.h"
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

// 5 ms where the device allows; the period asked for is ended on stop, also when the timer itself
// could not start.
TEST_F(AnimationTimer, ResolutionAndPeriod) {
    const struct {
        UINT min, max, want;
    } table[] = {{1, 1000000, 5}, {10, 1000000, 10}, {1, 4, 4}, {5, 5, 5}, {1, 5, 5}, {6, 6, 6}};
    for (const auto& row : table) {
        EXPECT_EQ(ChooseTimerResolution(TIMECAPS{row.min, row.max}), row.want) << row.min << ".." << row.max;
    }
    platform::testing::SetTimerCaps(TIMECAPS{7, 1000000});
    platform::testing::FailTimeSetEvent(true);
    EXPECT_EQ(StartAnimationTimer(), 0);
    EXPECT_EQ(gTimerId, 0u);
    StopAnimationTimer();
    EXPECT_EQ(platform::testing::BeginPeriodCalls(), std::vector<UINT>{7u});
    EXPECT_EQ(platform::testing::EndPeriodCalls(), std::vector<UINT>{7u});
}

// Ticks step the scene only while the application is active; missed ticks are not made up. A
// real timer steps it on its own thread until stopped.
TEST_F(AnimationTimer, TicksStepTheSceneOnlyWhileActiveAndUntilStopped) {
    for (const auto& [active, x] : {std::pair{0, 0}, {1, 5}, {0, 5}, {0, 5}, {1, 10}}) {
        gAppActive = active;
        AnimationTimerProc(1, 0, 0, 0, 0);
        EXPECT_EQ(scene_.gnollX.load(), x);
    }
    ASSERT_NE(StartAnimationTimer(), 0);
    // 66 ms ticks: a loaded machine still manages two within a few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene_.gnollX.load() < 20 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(scene_.gnollX.load(), 20);
    StopAnimationTimer();
    EXPECT_EQ(gTimerId, 0u);
    const std::int32_t stoppedAt = scene_.gnollX.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(scene_.gnollX.load(), stoppedAt) << "no tick after the timer was stopped";
}

// Each tick writes a trace line numbered from 1, saying whether it stepped. The count lives as
// long as the process, so the ticks are traced, and the lines read, in a fresh one.
TEST_F(AnimationTimer, TickTraceLinesAreNumberedFromOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto traceTwoTicks = [] {
        const auto path = std::filesystem::temp_directory_path() / ("vh-ticks-" + std::to_string(getpid()));
        std::string error, first, second;
        if (!platform::OpenTrace(path.string(), error)) std::_Exit(2);
        AnimationTimerProc(1, 0, 0, 0, 0);
        gAppActive = 1;
        AnimationTimerProc(1, 0, 0, 0, 0);
        platform::CloseTrace();
        std::ifstream in(path);
        std::getline(in, first);
        std::getline(in, second);
        std::filesystem::remove(path);
        std::fprintf(stderr, "%s\n%s\n", first.c_str(), second.c_str());
        std::_Exit(first.rfind(R"({"type":"tick","n":1,)", 0) == 0 && first.ends_with(R"("stepped":false})") &&
                           second.rfind(R"({"type":"tick","n":2,)", 0) == 0 && second.ends_with(R"("stepped":true})")
                       ? 0
                       : 1);
    };
    EXPECT_EXIT(traceTwoTicks(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
