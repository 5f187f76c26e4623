#include "scene/scene_trace.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "display/frame_observer.h"
#include "run_diagnostics.h"

namespace {

std::uint64_t frameNumber = 0;  // main thread only

}  // namespace

std::uint64_t FramesTraced() { return frameNumber; }

void TraceFrame(const FrameTrace& frame) {
    ++frameNumber;
    diagnostics::FrameComposed(frameNumber);
    if (!diagnostics::TraceEnabled()) return;
    char line[448];
    std::snprintf(line, sizeof line,
                  "{\"type\":\"frame\",\"n\":%llu,\"kind\":\"%s\",\"t_ms\":%.3f,\"gnoll\":[%d,%d,%d,%d],"
                  "\"fireball\":[%d,%d,%d,%d],\"fps\":%u,\"tiles\":%d,\"ok\":%s",
                  static_cast<unsigned long long>(frameNumber), frame.tilePhase ? "tile" : "scene",
                  diagnostics::MillisecondsSinceStart(), frame.gnoll[0], frame.gnoll[1], frame.gnoll[2], frame.gnoll[3],
                  frame.fireball[0], frame.fireball[1], frame.fireball[2], frame.fireball[3], frame.fps, frame.tiles,
                  frame.ok ? "true" : "false");
    if (gFrameObserver != nullptr) gFrameObserver->AppendFrameTraceFields(line, sizeof line - 1);
    std::strncat(line, "}", sizeof line - std::strlen(line) - 1);
    diagnostics::TraceLine(line);
}

void TraceTick(bool stepped) {
    static std::atomic<std::uint64_t> tickNumber{0};
    // The tick's time is when it ran, not when the trace was free to take its line.
    const double now = diagnostics::MillisecondsSinceStart();
    const std::uint64_t n = tickNumber.fetch_add(1, std::memory_order_relaxed) + 1;
    if (!diagnostics::TraceEnabled()) return;
    char line[128];
    std::snprintf(line, sizeof line, "{\"type\":\"tick\",\"n\":%llu,\"t_ms\":%.3f,\"stepped\":%s}",
                  static_cast<unsigned long long>(n), now, stepped ? "true" : "false");
    diagnostics::TraceLine(line);
}

void NoteTileCount(std::int32_t tiles) {
    char note[32];
    std::snprintf(note, sizeof note, "%d tiles", tiles);
    diagnostics::SetSummaryNote(note);
}
