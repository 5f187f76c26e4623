// The one-line summary of a bounded run, printed on stdout for scripts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/pixel_format.h"

namespace platform {

// The note last given to SetSummaryNote (empty when none).
std::string SummaryNote();

namespace runtime {

// "vornhollow: 1200 frames in 1.92 s = 625.0 fps, 100 tiles, 5-6-5, vsync off"; the note part
// is left out when the note is empty.
std::string FormatSummary(std::uint64_t frames, double seconds, const std::string& note, PixelFormat format,
                          bool vsync);

}  // namespace runtime
}  // namespace platform
