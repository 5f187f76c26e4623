#include "report/svg_charts.h"

#include <algorithm>
#include <cmath>

#include "report/text_format.h"

namespace report {

namespace {

constexpr double kWidth = 1200, kLeft = 64, kRight = 16, kTop = 24;
constexpr double kPlotWidth = kWidth - kLeft - kRight;

// A step of 1, 2 or 5 times a power of ten that splits [0, top] into at most `ticks` parts.
double TickStep(double top, int ticks) {
    const double rough = std::max(top, 1e-9) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough) return multiple * power;
    }
    return 10 * power;
}

std::string Number(double value) { return Fixed(value, 1); }

std::string Text(double x, double y, const std::string& anchor, const std::string& text,
                 const std::string& extra = "") {
    return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" +
           Escaped(text) + "</text>";
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& style) {
    return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) + "\" y2=\"" + Number(y2) +
           "\" " + style + "/>";
}

std::string Open(double height, const std::string& label) {
    return "<svg class=\"chart\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(height) + "\" role=\"img\" aria-label=\"" +
           Escaped(label) + "\" font-size=\"13\" font-family=\"sans-serif\">";
}

// Horizontal grid lines with their values on the left, from 0 to `top` in `step`s.
std::string YGrid(double top, double step, double plotTop, double plotHeight, const std::string& unit) {
    std::string out;
    for (double value = 0; value <= top + step / 2; value += step) {
        const double y = plotTop + plotHeight * (1 - value / top);
        out += Line(kLeft, y, kWidth - kRight, y, "stroke=\"#ddd\"");
        const double rounded = std::round(value * 100) / 100;
        out += Text(kLeft - 6, y + 4, "end", (rounded == std::floor(rounded) ? Fixed(rounded, 0) : Fixed(rounded, 2)) + unit);
    }
    return out;
}

}  // namespace

std::string IntervalPlotSvg(const PacingStats& pacing, double refreshMs) {
    constexpr double kHeight = 300, kBottom = 44;
    constexpr double kPlotHeight = kHeight - kTop - kBottom;
    const std::vector<double>& intervals = pacing.intervals;
    if (intervals.empty()) return "";
    std::string out = Open(kHeight, "milliseconds between presents, frame by frame");

    const double highest = std::max({pacing.maxMs, refreshMs * 1.5, 1.0}) * 1.05;
    const double step = TickStep(highest, 6);
    const double top = std::ceil(highest / step) * step;
    const auto y = [&](double ms) { return kTop + kPlotHeight * (1 - std::clamp(ms, 0.0, top) / top); };
    const std::size_t count = intervals.size();
    const auto x = [&](double index) { return kLeft + (count > 1 ? kPlotWidth * index / double(count - 1) : kPlotWidth / 2); };

    out += YGrid(top, step, kTop, kPlotHeight, " ms");
    // Frame numbers along the bottom: the interval at index i ends frame i + 2.
    double labelled = -1;
    for (int tick = 0; tick <= 5; ++tick) {
        const double index = std::round(double(count - 1) * tick / 5);
        if (index == labelled) continue;
        labelled = index;
        out += Text(x(index), kTop + kPlotHeight + 18, "middle", std::to_string(static_cast<std::uint64_t>(index) + 2));
    }
    out += Text(kLeft + kPlotWidth / 2, kHeight - 6, "middle", "frame");

    // Every interval where they fit; else each pixel column's slowest and fastest, so no spike is lost.
    std::string points;
    const auto point = [&](double px, double ms) { points += Number(px) + "," + Number(y(ms)) + " "; };
    const auto columns = static_cast<std::size_t>(kPlotWidth);
    if (count <= 2 * columns) {
        for (std::size_t i = 0; i < count; ++i) point(x(double(i)), intervals[i]);
    } else {
        for (std::size_t c = 0; c < columns; ++c) {
            const auto begin = intervals.begin() + static_cast<std::ptrdiff_t>(c * count / columns);
            const auto end = intervals.begin() + static_cast<std::ptrdiff_t>((c + 1) * count / columns);
            const auto [low, high] = std::minmax_element(begin, end);
            point(kLeft + double(c), *high);
            point(kLeft + double(c), *low);
        }
    }
    out += "<polyline fill=\"none\" stroke=\"#2457a6\" stroke-width=\"1.5\" points=\"" + points + "\"/>";

    if (refreshMs > 0) {
        out += Line(kLeft, y(refreshMs), kWidth - kRight, y(refreshMs),
                    "stroke=\"#d9480f\" stroke-width=\"2\" stroke-dasharray=\"8 5\" class=\"refresh\"");
        // Its legend above the plot's top right corner, clear of the line.
        out += Line(kWidth - kRight - 230, kTop - 9, kWidth - kRight - 200, kTop - 9,
                    "stroke=\"#d9480f\" stroke-width=\"2\" stroke-dasharray=\"8 5\"");
        out += Text(kWidth - kRight - 192, kTop - 5, "start", "refresh period " + Fixed(refreshMs, 2) + " ms",
                    " fill=\"#d9480f\"");
    }
    out += Line(kLeft, kTop, kLeft, kTop + kPlotHeight, "stroke=\"#555\"");
    out += Line(kLeft, kTop + kPlotHeight, kWidth - kRight, kTop + kPlotHeight, "stroke=\"#555\"");
    return out + "</svg>";
}

std::string HistogramSvg(const PacingStats& pacing) {
    constexpr double kHeight = 250, kBottom = 56;
    constexpr double kPlotHeight = kHeight - kTop - kBottom;
    const std::vector<HistogramBucket>& buckets = pacing.histogram;
    if (buckets.empty()) return "";
    std::string out = Open(kHeight, "histogram of milliseconds between presents");

    std::uint64_t most = 1;
    for (const HistogramBucket& bucket : buckets) most = std::max(most, bucket.count);
    const double step = std::max(1.0, std::ceil(TickStep(double(most), 5)));
    const double top = std::ceil(double(most) / step) * step;
    out += YGrid(top, step, kTop, kPlotHeight, "");

    const double slot = kPlotWidth / double(buckets.size());
    const std::size_t labelEvery = (buckets.size() + 19) / 20;
    static const char* kPeriodColours[] = {"#1b7f3b", "#c77700", "#c0262d"};
    for (std::size_t i = 0; i < buckets.size(); ++i) {
        const double height = kPlotHeight * double(buckets[i].count) / top;
        const double left = kLeft + slot * double(i);
        const char* colour = pacing.histogramInPeriods ? kPeriodColours[std::min<std::size_t>(i, 2)] : "#2457a6";
        out += "<rect x=\"" + Number(left + slot * 0.1) + "\" y=\"" + Number(kTop + kPlotHeight - height) +
               "\" width=\"" + Number(slot * 0.8) + "\" height=\"" + Number(height) + "\" fill=\"" + colour + "\"/>";
        if (buckets[i].count > 0) {
            out += Text(left + slot / 2, kTop + kPlotHeight - height - 4, "middle", std::to_string(buckets[i].count),
                        buckets.size() > 20 ? " font-size=\"10\"" : "");
        }
        if (i % labelEvery == 0 || i + 1 == buckets.size()) {
            // 1 ms buckets are labelled by their lower bound, to fit under narrow bars.
            const std::string text = pacing.histogramInPeriods       ? buckets[i].label
                                     : i + 1 == kMaxMillisecondBuckets ? "\xE2\x89\xA5" + std::to_string(i)
                                                                       : std::to_string(i);
            out += Text(left + slot / 2, kTop + kPlotHeight + 18, "middle", text);
        }
    }
    out += Text(kLeft + kPlotWidth / 2, kHeight - 8, "middle",
                pacing.histogramInPeriods ? "milliseconds between presents, in refresh periods"
                                          : "milliseconds between presents (1 ms buckets)");
    out += Line(kLeft, kTop + kPlotHeight, kWidth - kRight, kTop + kPlotHeight, "stroke=\"#555\"");
    return out + "</svg>";
}

}  // namespace report
