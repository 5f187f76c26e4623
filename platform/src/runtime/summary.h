// The one-line summary of a bounded run, printed on stdout for scripts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/pixel_format.h"

namespace platform::runtime {

// "vornhollow: 1200 frames in 1.92 s = 625.0 fps, 100 tiles, 5-6-5, vsync off"; the pacing (how
// the frames met the display's blanks) follows the rate, and the note the pacing; each is left
// out when empty.
std::string FormatSummary(std::uint64_t frames, double seconds, const std::string& pacing, const std::string& note,
                          PixelFormat format, bool vsync);

}  // namespace platform::runtime
