// The run's diagnostics on Windows: a clock from the performance counter, the trace written to a
// file, and a bounded run ended after its last frame as Escape would end it.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "bmp_file.h"
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
bool gVerify = false;
std::string gImageFolder;  // where the frame check's images go: beside the trace, or here
diagnostics::VerdictWriter gVerdictWriter = nullptr;

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

bool VerifyEnabled() { return gVerify; }

void Notice(const char* text) {
    if (text == nullptr) return;
    // A GUI program has a standard error only when started with one (a console, a redirection).
    std::fprintf(stderr, "vornhollow: %s\n", text);
    std::fflush(stderr);
}

bool WriteImage(const char* name, const std::uint16_t* pixels, int width, int height, int pitchPixels,
                std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask, char* path,
                std::size_t pathSize) {
    if (name == nullptr || pixels == nullptr) return false;
    const std::string file = gImageFolder + name + ".bmp";
    std::string error;
    if (!runtime::WriteBmp(file, pixels, width, height, pitchPixels, {redMask, greenMask, blueMask}, error)) {
        Notice(("cannot write " + file + ": " + error).c_str());
        return false;
    }
    if (path != nullptr && pathSize > 0) {
        const std::size_t length = file.size() < pathSize ? file.size() : pathSize - 1;
        std::memcpy(path, file.data(), length);
        path[length] = '\0';
    }
    return true;
}

void SetVerdictWriter(VerdictWriter writer) { gVerdictWriter = writer; }

}  // namespace diagnostics

namespace runtime {

void EnableVerify(const std::string& tracePath) {
    gVerify = true;
    const std::size_t slash = tracePath.find_last_of("/\\");
    gImageFolder = slash == std::string::npos ? std::string() : tracePath.substr(0, slash + 1);
}

std::string Verdict(bool& differs) {
    differs = false;
    if (gVerdictWriter == nullptr) return {};
    char text[512] = "";
    differs = gVerdictWriter(text, sizeof text);
    return text;
}

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
