// What has been presented: the count, the time of the last present and a copy of the last
// frame, for the end-of-run summary, --screenshot and tests.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixel_format.h"
#include "present/presenter.h"

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

// Records a presented frame; returns its number, counting from 1.
std::uint64_t RecordPresent(const FrameView& frame, double atMs);
PresentStats CurrentPresentStats();
// False when nothing was presented yet.
bool LastFrame(StoredFrame& out);
// Forgets frames, count and the notices already given (a fresh run, for tests).
void ResetPresentRecord();
// The once-per-run notices of the presenter (vsync bound, capture failure) may be given again.
void ResetPresenterNotices();

}  // namespace platform::present
