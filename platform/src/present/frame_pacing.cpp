#include "present/frame_pacing.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "common/diagnostics_store.h"
#include "present/frame_log.h"
#include "run_diagnostics.h"

namespace platform::present {
namespace {

// Intervals in bins of 10 us up to 100 ms; longer ones share the last bin, and their longest is
// kept apart.
constexpr std::uint64_t kBinUs = 10;
constexpr std::size_t kBins = 10'000;

struct Pacing {
    std::uint64_t frames = 0;
    std::uint64_t blanks = 0;
    std::uint64_t missed = 0;
    std::uint64_t firstUst = 0;
    std::uint64_t lastUst = 0;
    std::uint64_t lastMsc = 0;
    std::uint64_t unseenSinceShown = 0;  // frames not seen shown since the last one that was
    std::uint64_t longestUs = 0;
    std::array<std::uint32_t, kBins + 1> intervals{};
};

Pacing& ThePacing() {
    static auto* pacing = new Pacing();
    return *pacing;
}

// Guards ThePacing(). Kept apart from it, so that a reset is a fresh Pacing.
std::mutex& PacingMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

void TraceUnseen(std::uint64_t number) {
    if (!diagnostics::TraceEnabled()) return;
    char line[64];
    std::snprintf(line, sizeof line, "{\"type\":\"unseen\",\"n\":%" PRIu64 "}", number);
    diagnostics::TraceLine(line);
}

void TraceShown(std::uint64_t number, std::uint64_t msc, std::uint64_t ust) {
    if (!diagnostics::TraceEnabled()) return;
    char line[128];
    std::snprintf(line, sizeof line, "{\"type\":\"shown\",\"n\":%" PRIu64 ",\"msc\":%" PRIu64 ",\"ust_ms\":%.3f}",
                  number, msc, TraceMillisecondsOfMonotonic(ust));
    diagnostics::TraceLine(line);
}

double P99Ms(const Pacing& p) {
    const std::uint64_t count = p.frames - 1;
    const std::uint64_t wanted = (count * 99 + 99) / 100;  // at least 99% of them, rounded up
    std::uint64_t seen = 0;
    for (std::size_t bin = 0; bin < kBins; ++bin) {
        seen += p.intervals[bin];
        if (seen >= wanted) return static_cast<double>((bin + 1) * kBinUs) / 1000.0;
    }
    return static_cast<double>(p.longestUs) / 1000.0;
}

}  // namespace

void RecordShown(std::uint64_t number, std::uint64_t msc, std::uint64_t ustMicroseconds) {
    {
        Pacing& p = ThePacing();
        std::lock_guard lock(PacingMutex());
        if (p.frames == 0) {
            p.firstUst = ustMicroseconds;
            p.blanks = 1;
        } else {
            if (msc != p.lastMsc) ++p.blanks;
            if (msc > p.lastMsc + 1 + p.unseenSinceShown) ++p.missed;
            const std::uint64_t interval = ustMicroseconds > p.lastUst ? ustMicroseconds - p.lastUst : 0;
            ++p.intervals[std::min<std::uint64_t>(interval / kBinUs, kBins)];
            if (interval > p.longestUs) p.longestUs = interval;
        }
        ++p.frames;
        p.unseenSinceShown = 0;
        p.lastMsc = msc;
        p.lastUst = ustMicroseconds;
    }
    TraceShown(number, msc, ustMicroseconds);
    LogShown(number, TraceMillisecondsOfMonotonic(ustMicroseconds), msc);
}

void RecordUnseen(std::uint64_t number) {
    {
        Pacing& p = ThePacing();
        std::lock_guard lock(PacingMutex());
        ++p.missed;
        ++p.unseenSinceShown;
    }
    TraceUnseen(number);
}

PacingFigures CurrentPacing() {
    Pacing& p = ThePacing();
    std::lock_guard lock(PacingMutex());
    PacingFigures figures;
    figures.frames = p.frames;
    figures.blanks = p.blanks;
    figures.missed = p.missed;
    if (p.frames > 1) {
        figures.meanIntervalMs =
            static_cast<double>(p.lastUst - p.firstUst) / 1000.0 / static_cast<double>(p.frames - 1);
        figures.p99IntervalMs = P99Ms(p);
    }
    return figures;
}

void ResetPacing() {
    Pacing& p = ThePacing();
    std::lock_guard lock(PacingMutex());
    p = Pacing{};
}

std::string FormatPacing(const PacingFigures& figures) {
    char text[160];
    if (figures.frames == 0) {
        if (figures.missed == 0) return {};
        std::snprintf(text, sizeof text, "0 frames on 0 blanks, %" PRIu64 " missed", figures.missed);
        return text;
    }
    std::snprintf(text, sizeof text,
                  "%" PRIu64 " frames on %" PRIu64 " blanks, %" PRIu64 " missed, interval %.2f ms (p99 %.1f)",
                  figures.frames, figures.blanks, figures.missed, figures.meanIntervalMs, figures.p99IntervalMs);
    return text;
}

}  // namespace platform::present
