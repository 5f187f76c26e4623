// What has been presented: the count, the time of the last present and a copy of the last
// frame, for the end-of-run summary, --screenshot and tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
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
    // The pixels of the picture on the screen written for the frames, out of how many the
    // pictures had (both 0 where nothing is written, as offscreen).
    std::uint64_t writtenPixels = 0;
    std::uint64_t picturePixels = 0;
};

// Whether every presented frame is copied (not only when --screenshot asks); set by the test
// controls.
extern std::atomic<bool> gKeepFrames;

// Records a presented frame, and how much of the picture on the screen showing it wrote (0 of 0:
// nothing); returns its number, counting from 1.
std::uint64_t RecordPresent(const FrameView& frame, double atMs, std::uint64_t writtenPixels = 0,
                            std::uint64_t picturePixels = 0);
PresentStats CurrentPresentStats();
// "38.5% of the screen written a frame", the mean share of the picture written; empty when nothing
// was written to a screen.
std::string FormatWrittenShare(const PresentStats& stats);
// False when nothing was presented yet.
bool LastFrame(StoredFrame& out);
// Forgets frames and count (a fresh run, for tests).
void ResetPresentRecord();

}  // namespace platform::present
