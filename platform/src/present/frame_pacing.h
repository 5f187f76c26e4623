// When the presented frames reached the screen, as the display reports it: the vertical blank
// (its counter, MSC) and the time (UST, microseconds of the monotonic clock) of each frame. Kept
// as running figures and a fixed histogram of the intervals, so recording a frame allocates
// nothing; each frame is also traced as a "shown" line, on the trace's own time line.
#pragma once

#include <cstdint>
#include <string>

namespace platform::present {

struct PacingFigures {
    std::uint64_t frames = 0;  // frames shown
    std::uint64_t blanks = 0;  // distinct blanks they were shown at
    // Frames shown more than one blank after the frame before (a frame not seen shown counts as
    // a blank of its own), and frames the display never said were shown.
    std::uint64_t missed = 0;
    double meanIntervalMs = 0.0;
    double p99IntervalMs = 0.0;  // 99% of the intervals are at most this long (to 0.01 ms)
};

// Frame `number` (as counted by the presenter) reached the screen at blank msc, at time ust.
void RecordShown(std::uint64_t number, std::uint64_t msc, std::uint64_t ustMicroseconds);
// The display did not say in time whether frame `number` was shown: a missed frame, traced as an
// "unseen" line.
void RecordUnseen(std::uint64_t number);
PacingFigures CurrentPacing();
// Forgets every frame (a fresh run, for tests).
void ResetPacing();

// "600 frames on 600 blanks, 0 missed, interval 16.67 ms (p99 17.3)"; "0 frames on 0 blanks, 3
// missed" when none was seen shown; empty when no frame was reported on at all (a path that
// cannot see the display's blanks).
std::string FormatPacing(const PacingFigures& figures);

}  // namespace platform::present
