// The scene's fixed step: walking, turning, frames and the fireball's life.
#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_state.h"

namespace {

struct Snapshot {
    std::int32_t gnollX, gnollDirection, gnollFrame, fireballActive, fireballX, fireballY, fireballFrame;
};

Snapshot Take(const SceneState& s) {
    return {s.gnollX.load(),    s.gnollDirection.load(), s.gnollFrame.load(),   s.fireballActive.load(),
            s.fireballX.load(), s.fireballY.load(),      s.fireballFrame.load()};
}

TEST(SceneStep, ResetGivesTheStartingScene) {
    SceneState scene;
    EXPECT_EQ(scene.busy.load(), 0u);
    EXPECT_EQ(scene.tilePhaseFrames, 2);
    EXPECT_EQ(scene.spriteHeight, 120);
    EXPECT_EQ(scene.spriteWidth, 100);
    EXPECT_EQ(scene.gnollY.load(), 347);
    const Snapshot s = Take(scene);
    EXPECT_EQ(s.gnollX, 0);
    EXPECT_EQ(s.gnollDirection, 1);
    EXPECT_EQ(s.gnollFrame, 0);
    EXPECT_EQ(s.fireballActive, 0);
    EXPECT_EQ(scene.eraseCurrent.drawn, 0);
    EXPECT_EQ(scene.erasePrevious.drawn, 0);
}

struct EdgeCase {
    const char* name;
    std::int32_t x, direction, fireballActive, fireballX;
    std::int32_t wantX, wantDirection, wantActive, wantFireballX;
};

TEST(SceneStep, EdgesTurnsAndFlightEnds) {
    const EdgeCase cases[] = {
        {"right turn from 635", 635, 1, 0, 0, 639, -1, 0, 0},
        {"right turn from 636 overshoots to 641", 636, 1, 0, 0, 639, -1, 0, 0},
        {"left turn from -96", -96, -1, 0, 0, -99, 1, 0, 0},
        {"left turn from -99", -99, -1, 0, 0, -99, 1, 0, 0},
        {"flight ends below -20", 0, 1, 1, -12, 5, 1, 0, -21},
        {"flight goes on at -20", 0, 1, 1, -11, 5, 1, 1, -20},
        {"no relaunch while flying", 245, 1, 1, 100, 250, 1, 1, 91},
        {"launch walking left", 285, -1, 0, 0, 280, -1, 1, 280},
        {"launch at the range's lower end", 235, 1, 0, 0, 240, 1, 1, 280},
        {"no launch just below the range", 230, 1, 0, 0, 235, 1, 0, 0},
        {"no launch just above the range", 276, 1, 0, 0, 281, 1, 0, 0},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SceneState scene;
        scene.gnollX = c.x;
        scene.gnollDirection = c.direction;
        scene.fireballActive = c.fireballActive;
        scene.fireballX = c.fireballX;
        scene.fireballY = c.fireballX;
        scene.fireballFrame = 0;
        scene.Step();
        EXPECT_EQ(scene.gnollX.load(), c.wantX);
        EXPECT_EQ(scene.gnollDirection.load(), c.wantDirection);
        EXPECT_EQ(scene.fireballActive.load(), c.wantActive);
        if (c.wantActive || c.fireballActive) {
            EXPECT_EQ(scene.fireballX.load(), c.wantFireballX);
        }
        EXPECT_EQ(scene.busy.load(), 0u);
    }
}

TEST(SceneStep, FramesWrap) {
    SceneState scene;
    scene.gnollFrame = 12;
    scene.fireballActive = 1;
    scene.fireballX = 200;
    scene.fireballY = 200;
    scene.fireballFrame = 4;
    scene.Step();
    EXPECT_EQ(scene.gnollFrame.load(), 13);
    EXPECT_EQ(scene.fireballFrame.load(), 5);
    scene.Step();
    EXPECT_EQ(scene.gnollFrame.load(), 0);
    EXPECT_EQ(scene.fireballFrame.load(), 0);
}

TEST(SceneStep, EndingFlightStillAdvancesItsFrameAndAllowsALaunchInTheSameTick) {
    SceneState scene;
    scene.gnollX = 255;
    scene.fireballActive = 1;
    scene.fireballX = -12;
    scene.fireballY = -12;
    scene.fireballFrame = 2;
    scene.Step();
    // The old flight ended (-21) and, the creature being at 260, a new one began at the launch point.
    EXPECT_EQ(scene.fireballActive.load(), 1);
    EXPECT_EQ(scene.fireballX.load(), 280);
    EXPECT_EQ(scene.fireballY.load(), 280);
    EXPECT_EQ(scene.fireballFrame.load(), 0);
}

TEST(SceneStep, FirstLaunchOnThe48thTickAndAFlightOf34Positions) {
    SceneState scene;
    int tick = 0;
    while (scene.fireballActive.load() == 0) {
        scene.Step();
        ++tick;
        ASSERT_LT(tick, 1000);
    }
    EXPECT_EQ(tick, 48);
    EXPECT_EQ(scene.gnollX.load(), 240);

    std::vector<std::int32_t> positions{scene.fireballX.load()};
    while (true) {
        scene.Step();
        if (scene.fireballActive.load() == 0) break;
        positions.push_back(scene.fireballX.load());
        // The creature is far from the launch range by now, so no new flight starts.
        ASSERT_LT(positions.size(), 100u);
    }
    EXPECT_EQ(positions.size(), 34u);
    EXPECT_EQ(positions.front(), 280);
    EXPECT_EQ(positions.back(), -17);
    EXPECT_EQ(scene.fireballX.load(), -26);
}

TEST(SceneStep, TheWalkIsPeriodicBetweenTheTurns) {
    SceneState scene;
    std::vector<std::int32_t> xs;
    for (int i = 0; i < 400; ++i) {
        scene.Step();
        xs.push_back(scene.gnollX.load());
    }
    // Out to the right edge: 5, 10, ..., 635, then the turn leaves 639.
    EXPECT_EQ(xs[0], 5);
    EXPECT_EQ(xs[126], 635);
    EXPECT_EQ(xs[127], 639);
    EXPECT_EQ(xs[128], 634);
    // Back to the left: ..., -96, then -101 turns to -99.
    std::size_t leftTurn = 0;
    for (std::size_t i = 128; i < xs.size(); ++i) {
        if (xs[i] == -99) {
            leftTurn = i;
            break;
        }
    }
    ASSERT_NE(leftTurn, 0u);
    EXPECT_EQ(xs[leftTurn - 1], -96);
    // Walking right from -99 the first position in the launch range is 241.
    std::int32_t firstInRange = 0;
    for (std::size_t i = leftTurn + 1; i < xs.size(); ++i) {
        if (xs[i] >= 240) {
            firstInRange = xs[i];
            break;
        }
    }
    EXPECT_EQ(firstInRange, 241);
    // Every turn lands exactly on 639 or -99, and x never leaves -99..639.
    for (std::int32_t x : xs) {
        EXPECT_GE(x, -99);
        EXPECT_LE(x, 639);
    }
}

TEST(SceneStep, WalkingLeftFrom639EntersTheLaunchRangeAt279) {
    SceneState scene;
    scene.gnollX = 639;
    scene.gnollDirection = -1;
    std::int32_t first = 0;
    for (int i = 0; i < 200 && first == 0; ++i) {
        scene.Step();
        if (scene.gnollX.load() <= 280) first = scene.gnollX.load();
    }
    EXPECT_EQ(first, 279);
}

}  // namespace
