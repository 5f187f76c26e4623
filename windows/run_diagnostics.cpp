// The run's diagnostics on Windows: a clock from the performance counter, the trace written to a
// file, and a bounded run ended after its last frame as Escape would end it; the screen check's
// window reads are in window_readback.cpp.
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bmp_file.h"
#include "report/run_report.h"
#include "run_control.h"
#include "run_diagnostics.h"
#include "window_readback.h"

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
runtime::RunOptions gOptions;
std::string gImageFolder;  // where the frame check's images go: the report's folder, beside the trace, or here
diagnostics::VerdictSource gVerdictSource = nullptr;
std::vector<std::pair<std::string, std::string>> gFacts;  // main thread only
std::string gFatalError;
// When each frame was flipped, for the report: the program calls FrameComposed once the frame's
// Flip has returned (or the frame could not be composed). A run of 10 million frames keeps 80 MB; beyond that the list
// stops growing.
constexpr std::size_t kMaxPresentTimes = 10'000'000;
std::vector<double> gPresentMs;
std::vector<std::int64_t> gFrameCrcs;  // with --report: each frame's, for the report

// The CRC-32 of zip and PNG (reflected polynomial 0xEDB88320), a byte at a time from a table.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

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
    if (!gOptions.report.empty() && gPresentMs.size() < kMaxPresentTimes) gPresentMs.push_back(gSummary.lastFrameMs);
    // The main loop finds the quit before it is idle again, so no further frame is composed.
    if (number == gFrameLimit) PostQuitMessage(0);
}

bool Lockstep() { return gOptions.lockstep; }

bool NoteFatalError(const char* caption, const char* text) {
    if (gFatalError.empty()) gFatalError = text != nullptr ? text : "";
    if (!gOptions.unattended) return true;
    // Our own prefix, as on Linux: a line that starts with the caption is a box coming up.
    const std::string message = text != nullptr ? text : "";
    std::fprintf(stderr, "vornhollow: %s: %s", caption != nullptr ? caption : "", message.c_str());
    if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
    return false;
}

void SetRunFact(const char* key, const char* value) {
    if (key == nullptr || value == nullptr) return;
    for (auto& fact : gFacts) {
        if (fact.first == key) {
            fact.second = value;
            return;
        }
    }
    gFacts.emplace_back(key, value);
}

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = CrcStep(crc, bytes[i]);
    return ~crc;
}

void FrameCrc(std::uint64_t number, std::uint32_t crc) {
    if (!gOptions.report.empty()) report::KeepFrameCrc(gFrameCrcs, number, crc);
}

void SetScreenChecker(ScreenChecker checker) { runtime::SetWindowChecker(checker); }

bool ReadsWindowBack(std::string& whyNot) { return runtime::WindowReadable(whyNot); }

void Notice(const char* text) {
    if (text == nullptr) return;
    // A GUI program has a standard error only when started with one (a console, a redirection).
    std::fprintf(stderr, "vornhollow: %s\n", text);
    std::fflush(stderr);
}

bool WriteImage(const char* name, const std::uint8_t* rgb, int width, int height, char* path, std::size_t pathSize) {
    if (name == nullptr || rgb == nullptr) return false;
    const std::string file = gImageFolder + name + ".bmp";
    std::string error;
    if (!runtime::WriteBmp(file, rgb, width, height, error)) {
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

void SetVerdictSource(VerdictSource source) { gVerdictSource = source; }

}  // namespace diagnostics

namespace runtime {

void SetRunOptions(const RunOptions& options) {
    gOptions = options;
    if (!options.report.empty()) {
        gImageFolder = options.report + "\\";
    } else {
        const std::size_t slash = options.trace.find_last_of("/\\");
        gImageFolder = slash == std::string::npos ? std::string() : options.trace.substr(0, slash + 1);
    }
}

bool CurrentVerdict(diagnostics::VerdictRecord& verdict) {
    verdict = diagnostics::VerdictRecord{};
    if (gVerdictSource == nullptr) return false;
    gVerdictSource(verdict);
    return true;
}

const std::vector<std::pair<std::string, std::string>>& RunFacts() { return gFacts; }

const std::string& FatalErrorText() { return gFatalError; }

const std::vector<double>& PresentTimes() { return gPresentMs; }

const std::vector<std::int64_t>& FrameCrcs() { return gFrameCrcs; }

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
