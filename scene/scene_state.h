// The animation's model: the walking creature and the fireball, stepped every 66 ms on the timer's
// thread and read by the frame composer on the main thread.
#pragma once

#include <atomic>
#include <cstdint>

// Where a fireball pair was drawn in one scene frame, so a later frame can erase it.
struct EraseRecord {
    std::int32_t drawn;
    std::int32_t x;
    std::int32_t y;
};

struct SceneState {
    // Set while a step runs; cleared with release after its last change.
    std::atomic<std::uint32_t> busy;
    std::int32_t tilePhaseFrames;  // composer only
    std::int32_t spriteHeight;
    std::int32_t spriteWidth;
    // Written by the step, read whole by the composer.
    std::atomic<std::int32_t> gnollFrame;
    std::atomic<std::int32_t> gnollDirection;
    std::atomic<std::int32_t> gnollX;
    std::atomic<std::int32_t> gnollY;
    std::atomic<std::int32_t> fireballActive;
    std::atomic<std::int32_t> fireballX;
    std::atomic<std::int32_t> fireballY;
    std::atomic<std::int32_t> fireballFrame;
    // Composer only.
    EraseRecord eraseCurrent;
    EraseRecord erasePrevious;

    SceneState();
    SceneState(const SceneState&) = delete;
    SceneState& operator=(const SceneState&) = delete;

    void Reset();
    // One timer tick: fireball flight, creature walk, launch, turns at the edges.
    void Step();
    // Composes one frame in the back buffer and flips; 1 on success, 0 at the first failure.
    std::int32_t RenderFrame();
};

static_assert(sizeof(std::atomic<std::int32_t>) == 4 && std::atomic<std::int32_t>::is_always_lock_free);
static_assert(sizeof(SceneState) == 18 * 4, "eighteen 32-bit fields");

// The one scene state; null until start-up creates it.
extern SceneState* gScene;
