// The run's diagnostics on Windows: a clock from the performance counter, the trace written to a
// file, and a bounded run ended after its last frame as Escape would end it.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run_control.h"
#include "run_diagnostics.h"

namespace {

LONGLONG Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Taken during static initialisation, i.e. before main: the run's time zero.
const LONGLONG gStart = Counter();

// The timer thread traces its ticks while the main thread traces its frames.
SRWLOCK gTraceLock = SRWLOCK_INIT;
std::FILE* gTrace = nullptr;

// Written and read on the main thread only.
std::uint64_t gFrameLimit = 0;
runtime::RunSummary gSummary;

}  // namespace

namespace diagnostics {

double MillisecondsSinceStart() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    return static_cast<double>(Counter() - gStart) / ticksPerMs;
}

bool TraceEnabled() {
    AcquireSRWLockShared(&gTraceLock);
    const bool enabled = gTrace != nullptr;
    ReleaseSRWLockShared(&gTraceLock);
    return enabled;
}

void TraceLine(const char* json) {
    if (json == nullptr) return;
    AcquireSRWLockExclusive(&gTraceLock);
    if (gTrace != nullptr) {
        std::fputs(json, gTrace);
        std::fputc('\n', gTrace);
        // Each line reaches the file at once, so a run that is killed keeps what it traced.
        std::fflush(gTrace);
    }
    ReleaseSRWLockExclusive(&gTraceLock);
}

void SetSummaryNote(const char* note) { gSummary.note = note != nullptr ? note : ""; }

void FrameComposed(std::uint64_t number) {
    gSummary.frames = number;
    gSummary.lastFrameMs = MillisecondsSinceStart();
    // The main loop finds the quit before it is idle again, so no further frame is composed.
    if (number == gFrameLimit) PostQuitMessage(0);
}

}  // namespace diagnostics

namespace runtime {

bool OpenTrace(const std::string& path, std::string& error) {
    // Binary, so that lines end in '\n' alone, as on Linux.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    AcquireSRWLockExclusive(&gTraceLock);
    gTrace = file;
    ReleaseSRWLockExclusive(&gTraceLock);
    return true;
}

void CloseTrace() {
    AcquireSRWLockExclusive(&gTraceLock);
    if (gTrace != nullptr) std::fclose(gTrace);
    gTrace = nullptr;
    ReleaseSRWLockExclusive(&gTraceLock);
}

void EndAfterFrames(std::uint64_t frames) { gFrameLimit = frames; }

RunSummary Summary() { return gSummary; }

}  // namespace runtime
