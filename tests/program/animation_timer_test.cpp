// The scene's step (walking, turning, frames, the fireball's life) and its timer: resolution, activity, stop, trace.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <unistd.h>

#include "common/diagnostics_store.h"
#include "host/null/null_host_control.h"
#include "mm/timer_control.h"

#include "app/animation_timer.h"
#include "app/globals.h"
#include "scene/scene_state.h"
#include "scene/scene_trace.h"

namespace {

// x, direction, frame of the creature; active, x, y, frame of the fireball.
using Values = std::vector<std::int32_t>;

std::array<std::atomic<std::int32_t>*, 7> Fields(SceneState& s) {
    return {&s.gnollX,    &s.gnollDirection, &s.gnollFrame,   &s.fireballActive,
            &s.fireballX, &s.fireballY,      &s.fireballFrame};
}
Values Take(SceneState& s) {
    Values v;
    for (auto* field : Fields(s)) v.push_back(field->load());
    return v;
}
void Put(SceneState& s, const Values& v) {
    for (std::size_t i = 0; i < v.size(); ++i) Fields(s)[i]->store(v[i]);
}

TEST(SceneStep, ResetGivesTheStartingSceneAndOneStepTheNext) {
    SceneState reset;
    Put(reset, {9, -1, 9, 1, 9, 9, 9});
    reset.busy = 1;
    reset.tilePhaseFrames = 0;
    reset.gnollY = reset.spriteHeight = reset.spriteWidth = 9;
    reset.eraseCurrent = reset.erasePrevious = {1, 2, 3};
    reset.Reset();
    EXPECT_EQ(Take(reset), (Values{0, 1, 0, 0, 9, 9, 9}));
    EXPECT_EQ((Values{std::int32_t(reset.busy), reset.tilePhaseFrames, reset.gnollY, reset.eraseCurrent.drawn,
                      reset.erasePrevious.drawn, reset.spriteHeight, reset.spriteWidth}),
              (Values{0, 2, 347, 0, 0, 120, 100}));
    const struct {
        const char* name;
        Values before, after;
    } rows[] = {{"walks right", {100, 1, 3, 0, 0, 0, 0}, {105, 1, 4, 0, 0, 0, 0}},
                {"right turn from 635", {635, 1, 0, 0, 0, 0, 0}, {639, -1, 1, 0, 0, 0, 0}},
                {"right turn overshooting to 641", {636, 1, 0, 0, 0, 0, 0}, {639, -1, 1, 0, 0, 0, 0}},
                {"no turn at 639", {634, 1, 0, 0, 0, 0, 0}, {639, 1, 1, 0, 0, 0, 0}},
                {"left turn from -96", {-96, -1, 0, 0, 0, 0, 0}, {-99, 1, 1, 0, 0, 0, 0}},
                {"left turn from -99", {-99, -1, 0, 0, 0, 0, 0}, {-99, 1, 1, 0, 0, 0, 0}},
                {"no turn at -99", {-94, -1, 0, 0, 0, 0, 0}, {-99, -1, 1, 0, 0, 0, 0}},
                {"frames wrap", {0, 1, 13, 1, 200, 200, 5}, {5, 1, 0, 1, 191, 191, 0}},
                {"frames advance", {0, 1, 12, 1, 200, 100, 4}, {5, 1, 13, 1, 191, 91, 5}},
                {"flight ends below -20", {0, 1, 0, 1, -12, -12, 0}, {5, 1, 1, 0, -21, -21, 1}},
                {"flight goes on at -20", {0, 1, 0, 1, -11, -11, 0}, {5, 1, 1, 1, -20, -20, 1}},
                {"no relaunch while flying", {245, 1, 0, 1, 100, 100, 0}, {250, 1, 1, 1, 91, 91, 1}},
                {"launch walking left", {285, -1, 0, 0, 0, 0, 3}, {280, -1, 1, 1, 280, 280, 0}},
                {"launch at the range's lower end", {235, 1, 0, 0, 0, 0, 0}, {240, 1, 1, 1, 280, 280, 0}},
                {"launch at the range's upper end", {275, 1, 0, 0, 0, 0, 0}, {280, 1, 1, 1, 280, 280, 0}},
                {"no launch just below the range", {230, 1, 0, 0, 0, 0, 0}, {235, 1, 1, 0, 0, 0, 0}},
                {"no launch just above the range", {276, 1, 0, 0, 0, 0, 0}, {281, 1, 1, 0, 0, 0, 0}},
                {"a flight ends and another starts", {255, 1, 0, 1, -12, -12, 2}, {260, 1, 1, 1, 280, 280, 0}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SceneState scene;
        Put(scene, row.before);
        scene.busy = 1;
        scene.Step();
        EXPECT_EQ(Take(scene), row.after);
        EXPECT_EQ(scene.busy.load(), 0u);
    }
}

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

// 5 ms where the device allows; the period is ended on stop, also when the timer (66 ms, killed synchronously) fails.
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
    EXPECT_EQ(platform::testing::SetEventCalls(),
              (std::vector<std::array<UINT, 3>>{{66, 5, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS}}));
}

// Ticks step the scene only while active, missed ones are not made up; a real timer steps it until stopped.
TEST_F(AnimationTimer, TicksStepTheSceneOnlyWhileActiveAndUntilStopped) {
    for (const auto& [active, x] : {std::pair{0, 0}, {1, 5}, {0, 5}, {0, 5}, {1, 10}}) {
        gAppActive = active;
        AnimationTimerProc(1, 0, 0, 0, 0);
        EXPECT_EQ(scene_.gnollX.load(), x);
    }
    ASSERT_NE(StartAnimationTimer(), 0);
    // 66 ms ticks: however loaded the machine, two come within half a minute.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
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

// Ticks and frames write trace lines numbered from 1 saying what they did; the counts live as long as the process, so
// the lines are written in a fresh one.
TEST_F(AnimationTimer, TraceLinesAreNumberedFromOneAndSayWhatHappened) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto traceTicksAndAFrame = [] {
        const auto path = std::filesystem::temp_directory_path() / ("vh-ticks-" + std::to_string(getpid()));
        std::string error, lines[3];
        if (!platform::OpenTrace(path.string(), error)) std::_Exit(2);
        AnimationTimerProc(1, 0, 0, 0, 0);
        gAppActive = 1;
        AnimationTimerProc(1, 0, 0, 0, 0);
        TraceFrame(FrameTrace{false, {1, 2, 3, 4}, {5, 6, 7, 8}, 9, 10, true});
        platform::CloseTrace();
        std::ifstream in(path);
        for (std::string& line : lines) std::getline(in, line);
        std::filesystem::remove(path);
        std::fprintf(stderr, "%s\n%s\n%s\n", lines[0].c_str(), lines[1].c_str(), lines[2].c_str());
        const bool ticks = lines[0].starts_with(R"({"type":"tick","n":1,)") &&
                           lines[0].ends_with(R"("stepped":false})") &&
                           lines[1].starts_with(R"({"type":"tick","n":2,)") && lines[1].ends_with(R"("stepped":true})");
        const bool frame =
            lines[2].starts_with(R"({"type":"frame","n":1,"kind":"scene",)") &&
            lines[2].ends_with(R"("gnoll":[1,2,3,4],"fireball":[5,6,7,8],"fps":9,"tiles":10,"ok":true})");
        std::_Exit(ticks && frame ? 0 : 1);
    };
    EXPECT_EXIT(traceTicksAndAFrame(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
