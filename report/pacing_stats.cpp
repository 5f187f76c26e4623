#include "report/pacing_stats.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace report {

namespace {

// The mean of the slowest `fraction` of the intervals (sorted slowest first), as fps.
double LowFps(const std::vector<double>& slowestFirst, double fraction) {
    if (slowestFirst.empty()) return 0;
    const std::size_t count = std::max<std::size_t>(1, static_cast<std::size_t>(slowestFirst.size() * fraction));
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += slowestFirst[i];
    const double mean = sum / static_cast<double>(count);
    return mean > 0 ? 1000.0 / mean : 0;
}

std::vector<HistogramBucket> PeriodBuckets(const std::vector<double>& intervals, double refreshMs) {
    std::vector<HistogramBucket> buckets = {
        {"on time (<= 1.5 periods)", 0}, {"one blank late (<= 2.5)", 0}, {"two or more late", 0}};
    for (double interval : intervals) {
        const double periods = interval / refreshMs;
        ++buckets[periods <= 1.5 ? 0 : periods <= 2.5 ? 1 : 2].count;
    }
    return buckets;
}

std::vector<HistogramBucket> MillisecondBuckets(const std::vector<double>& intervals, double maxMs) {
    const int last = std::min(static_cast<int>(std::floor(std::max(maxMs, 0.0))), kMaxMillisecondBuckets - 1);
    std::vector<HistogramBucket> buckets(static_cast<std::size_t>(last) + 1);
    for (int i = 0; i <= last; ++i) {
        buckets[i].label = i == kMaxMillisecondBuckets - 1 ? ">= " + std::to_string(i) + " ms"
                                                           : std::to_string(i) + "-" + std::to_string(i + 1) + " ms";
    }
    for (double interval : intervals) {
        const int bucket = std::clamp(static_cast<int>(std::floor(interval)), 0, last);
        ++buckets[bucket].count;
    }
    return buckets;
}

}  // namespace

double NearestRankPercentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

PacingStats ComputePacing(const Pacing& pacing) {
    PacingStats stats;
    const std::vector<FramePresent>& frames = pacing.frames;
    stats.frames = frames.size();
    for (std::size_t i = 1; i < frames.size(); ++i) {
        stats.intervals.push_back(frames[i].presentMs - frames[i - 1].presentMs);
        const bool shown = frames[i].shownMs >= 0 && frames[i - 1].shownMs >= 0;
        stats.displayIntervals.push_back(shown ? frames[i].shownMs - frames[i - 1].shownMs : -1);
    }
    if (!stats.intervals.empty()) {
        const double span = frames.back().presentMs - frames.front().presentMs;
        stats.meanFps = span > 0 ? 1000.0 * static_cast<double>(stats.intervals.size()) / span : 0;
        std::vector<double> sorted = stats.intervals;
        std::sort(sorted.begin(), sorted.end());
        stats.p50Ms = NearestRankPercentile(sorted, 50);
        stats.p99Ms = NearestRankPercentile(sorted, 99);
        stats.maxMs = sorted.back();
        std::reverse(sorted.begin(), sorted.end());
        stats.low1PercentFps = LowFps(sorted, 0.01);
        stats.low01PercentFps = LowFps(sorted, 0.001);
    }

    if (pacing.vsync) {
        std::set<std::int64_t> blanks;
        std::uint64_t framesWithBlank = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (frames[i].blank < 0) continue;
            ++framesWithBlank;
            blanks.insert(frames[i].blank);
            if (i > 0 && frames[i - 1].blank >= 0) {
                ++stats.blankIntervals;
                if (frames[i].blank - frames[i - 1].blank > 1) ++stats.missedBlanks;
            }
        }
        stats.blanksKnown = stats.blankIntervals > 0;
        stats.distinctBlanks = blanks.size();
        if (!blanks.empty()) {
            stats.framesPerBlank = static_cast<double>(framesWithBlank) / static_cast<double>(blanks.size());
        }
    }

    stats.histogramInPeriods = pacing.vsync && pacing.refreshMs > 0;
    if (stats.intervals.empty()) return stats;
    stats.histogram = stats.histogramInPeriods ? PeriodBuckets(stats.intervals, pacing.refreshMs)
                                               : MillisecondBuckets(stats.intervals, stats.maxMs);
    return stats;
}

}  // namespace report
