// Test controls of the presenter: what was presented.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::testing {

std::uint64_t PresentedFrameCount();
// The last presented frame, width * height pixels row after row (640 * 480 for the program);
// empty when nothing was presented.
std::vector<std::uint16_t> LastPresentedFrame();
// Whether every presented frame is copied for LastPresentedFrame (on after UseNullHost). A run
// keeps only what --screenshot needs, so benchmarks turn this off to measure the plain program.
void KeepPresentedFrames(bool keep);

}  // namespace platform::testing
