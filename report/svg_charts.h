// The page's two pacing charts, drawn as inline SVG: nothing to load, nothing to run. Both are
// empty without intervals.
#pragma once

#include <string>

#include "report/pacing_stats.h"

namespace report {

// Each frame's interval over the run, with the refresh period (when known) as a dashed line.
std::string IntervalPlotSvg(const PacingStats& pacing, double refreshMs);
// The histogram of intervals, one bar per bucket.
std::string HistogramSvg(const PacingStats& pacing);

}  // namespace report
