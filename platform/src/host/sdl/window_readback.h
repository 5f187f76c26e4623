// The screen check's view of the window: when a presenter reads back what the display shows, and
// handing what it read to the check installed (diagnostics/run_diagnostics.h, SetScreenChecker).
// A lockstep run has every frame read back; any other run about once a refresh, which keeps the
// cost of a read (a round trip and a whole window's pixels) off the frame rate.
#pragma once

#include <chrono>
#include <cstdint>

#include "host/sdl/window_pixels.h"

namespace platform::host {

class WindowReadback {
public:
    // True when a check is installed and wants a frame read back now.
    bool Due() const;
    // Frame `number` as the window shows it: width x height pixels of format, rows pitchBytes apart.
    void Deliver(std::uint64_t number, const void* pixels, int width, int height, int pitchBytes,
                 const WindowPixelFormat& format);
    // Frame `number` could not be read back, and why.
    void Fail(std::uint64_t number, const char* why);

private:
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace platform::host
