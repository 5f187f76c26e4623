// How long one full cycle of the scene is when it steps once per frame.
#include "frame_check.h"
#include "scene/scene_state.h"

std::uint64_t diagnostics::LockstepCycleFrames() {
    // The steps themselves, from the state start-up makes: the walk right to its turn, left to
    // the other turn and right again until the creature is back where it started.
    SceneState scene;
    const std::int32_t start = scene.gnollX;
    std::int32_t direction = scene.gnollDirection;
    std::uint64_t steps = 0;
    int turns = 0;
    while (turns < 2 || scene.gnollX < start) {
        scene.Step();
        ++steps;
        if (scene.gnollDirection != direction) {
            direction = scene.gnollDirection;
            ++turns;
        }
    }
    // Frame k shows the scene after k - 1 steps (the first two are the tile phase): the last
    // frame shows it back at its start.
    return steps + 1;
}
