// The scene's fixed step: walking, turning, frames and the fireball's life.
#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_state.h"

namespace {

// x, direction, frame of the creature; active, x, y, frame of the fireball.
using Values = std::vector<std::int32_t>;

Values Take(const SceneState& s) {
    return {s.gnollX, s.gnollDirection, s.gnollFrame, s.fireballActive, s.fireballX, s.fireballY, s.fireballFrame};
}

void Put(SceneState& s, const Values& v) {
    s.gnollX = v[0];
    s.gnollDirection = v[1];
    s.gnollFrame = v[2];
    s.fireballActive = v[3];
    s.fireballX = v[4];
    s.fireballY = v[5];
    s.fireballFrame = v[6];
}

TEST(SceneStep, ResetGivesTheStartingScene) {
    SceneState scene;
    Put(scene, {9, -1, 9, 1, 9, 9, 9});
    scene.busy = 1;
    scene.tilePhaseFrames = 0;
    scene.gnollY = scene.spriteWidth = scene.spriteHeight = 9;
    scene.eraseCurrent = scene.erasePrevious = {1, 2, 3};
    scene.Reset();
    EXPECT_EQ(Take(scene), (Values{0, 1, 0, 0, 9, 9, 9}));
    EXPECT_EQ((Values{std::int32_t(scene.busy), scene.tilePhaseFrames, scene.gnollY, scene.spriteWidth,
                      scene.spriteHeight, scene.eraseCurrent.drawn, scene.erasePrevious.drawn}),
              (Values{0, 2, 347, 100, 120, 0, 0}));
}

TEST(SceneStep, OneStep) {
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

}  // namespace
