// The pacing numbers a report shows, computed from the presents of a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/run_report.h"

namespace report {

struct HistogramBucket {
    std::string label;  // e.g. "on time (<= 1.5 periods)", "3-4 ms", ">= 39 ms"
    std::uint64_t count = 0;
};

struct PacingStats {
    std::size_t frames = 0;
    std::vector<double> intervals;        // ms between consecutive presents, in frame order
    std::vector<double> displayIntervals;  // ms between the display showing them; <0 where unknown
    double meanFps = 0;                    // (frames - 1) over first to last present; 0 with < 2 frames
    // Lows as MangoHud defines them: the mean of the slowest 1% (0.1%) of intervals, at least
    // one interval, as fps.
    double low1PercentFps = 0, low01PercentFps = 0;
    // Nearest-rank percentiles: the smallest interval with at least p% of intervals at or below it.
    double p50Ms = 0, p99Ms = 0, maxMs = 0;
    // With vsync and blank counters known (for both frames of an interval).
    bool blanksKnown = false;
    std::uint64_t blankIntervals = 0;  // intervals whose two frames both have a known blank
    std::uint64_t distinctBlanks = 0;
    double framesPerBlank = 0;      // frames with a known blank over the distinct blanks among them
    std::uint64_t missedBlanks = 0;  // frames shown more than one blank after the frame before
    // In refresh periods with vsync and a known refresh ("on time", "one blank late", "two or more
    // late"), else in 1 ms buckets up to a last ">= N ms" one.
    bool histogramInPeriods = false;
    std::vector<HistogramBucket> histogram;
};

constexpr int kMaxMillisecondBuckets = 40;

PacingStats ComputePacing(const Pacing& pacing);

// The nearest-rank percentile (0 < p <= 100) of values sorted ascending; 0 when empty.
double NearestRankPercentile(const std::vector<double>& sorted, double p);

}  // namespace report
