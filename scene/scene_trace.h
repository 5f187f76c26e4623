// Optional run diagnostics: one trace line per composed frame and per timer tick.
#pragma once

#include <cstdint>

struct FrameTrace {
    bool tilePhase;
    std::int32_t gnoll[4];     // x, y, direction, frame as the frame was drawn
    std::int32_t fireball[4];  // active, x, y, frame
    std::uint32_t fps;
    std::int32_t tiles;
    bool ok;
};

void TraceFrame(const FrameTrace& frame);
// Frames traced so far in this process: the next frame's trace line says this number plus one.
std::uint64_t FramesTraced();
void TraceTick(bool stepped);
// Names the tile count in the end-of-run summary.
void NoteTileCount(std::int32_t tiles);
