// What has been presented: the count, the time of the last present and a copy of the last
// frame, for the end-of-run summary, --screenshot and tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "host/host.h"
#include "platform/pixel_format.h"

namespace platform::present {

struct StoredFrame {
    std::vector<std::uint16_t> pixels;  // width * height, rows packed
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Rgb565;
};

struct PresentStats {
    std::uint64_t frames = 0;
    double lastPresentMs = 0.0;  // milliseconds since process start at the last present
    PixelFormat format = PixelFormat::Rgb565;
};

// Whether every presented frame is copied (not only when --screenshot asks); set by the test
// controls.
extern std::atomic<bool> gKeepFrames;

// Records a presented frame; returns its number, counting from 1.
std::uint64_t RecordPresent(const FrameView& frame, double atMs);
PresentStats CurrentPresentStats();
// False when nothing was presented yet.
bool LastFrame(StoredFrame& out);
// Forgets frames and count (a fresh run, for tests).
void ResetPresentRecord();

}  // namespace platform::present
