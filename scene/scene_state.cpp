#include "scene/scene_state.h"

namespace {

constexpr std::int32_t kWalkSpeed = 5;
constexpr std::int32_t kGnollFrames = 14;
constexpr std::int32_t kFireballFrames = 6;
constexpr std::int32_t kFireballSpeed = 9;
constexpr std::int32_t kFireballEndX = -20;  // a flight ends once x falls below this
constexpr std::int32_t kLaunchMinX = 240;
constexpr std::int32_t kLaunchMaxX = 280;
constexpr std::int32_t kLaunchPoint = 280;
constexpr std::int32_t kRightTurnX = 640;
constexpr std::int32_t kLeftTurnX = -100;

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

SceneState::SceneState() { Reset(); }

void SceneState::Reset() {
    busy.store(0, kRelaxed);
    tilePhaseFrames = 2;
    spriteHeight = 120;
    spriteWidth = 100;
    gnollFrame.store(0, kRelaxed);
    gnollDirection.store(1, kRelaxed);
    gnollX.store(0, kRelaxed);
    gnollY.store(347, kRelaxed);
    fireballActive.store(0, kRelaxed);
    eraseCurrent = {0, 0, 0};
    erasePrevious = {0, 0, 0};
}

void SceneState::Step() {
    busy.store(1, kRelaxed);

    if (fireballActive.load(kRelaxed) == 1) {
        const std::int32_t x = fireballX.load(kRelaxed) - kFireballSpeed;
        fireballX.store(x, kRelaxed);
        fireballY.store(fireballY.load(kRelaxed) - kFireballSpeed, kRelaxed);
        if (x < kFireballEndX) fireballActive.store(0, kRelaxed);
        const std::int32_t frame = fireballFrame.load(kRelaxed) + 1;
        fireballFrame.store(frame == kFireballFrames ? 0 : frame, kRelaxed);
    }

    std::int32_t x = gnollX.load(kRelaxed) + gnollDirection.load(kRelaxed) * kWalkSpeed;
    const std::int32_t frame = gnollFrame.load(kRelaxed) + 1;
    gnollFrame.store(frame == kGnollFrames ? 0 : frame, kRelaxed);

    if (x >= kLaunchMinX && x <= kLaunchMaxX && fireballActive.load(kRelaxed) == 0) {
        fireballActive.store(1, kRelaxed);
        fireballX.store(kLaunchPoint, kRelaxed);
        fireballY.store(kLaunchPoint, kRelaxed);
        fireballFrame.store(0, kRelaxed);
    }
    if (x >= kRightTurnX) {
        gnollDirection.store(-1, kRelaxed);
        x = kRightTurnX - 1;
    }
    if (x <= kLeftTurnX) {
        gnollDirection.store(1, kRelaxed);
        x = kLeftTurnX + 1;
    }
    gnollX.store(x, kRelaxed);

    busy.store(0, std::memory_order_release);
}
