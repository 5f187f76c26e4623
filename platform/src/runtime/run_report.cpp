#include "runtime/run_report.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/diagnostics_store.h"
#include "present/frame_log.h"
#include "report/run_report.h"
#include "run_diagnostics.h"

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace platform::runtime {
namespace {

std::string OperatingSystem() {
    utsname names{};
    if (::uname(&names) != 0) return "unknown";
    return std::string(names.sysname) + " " + names.release + " (" + names.machine + ")";
}

std::string HostName() {
    char name[256] = "";
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string("unknown");
}

// The run's start in UTC, from how long it has run.
std::string StartTimestamp(double runMs) {
    const auto start = std::chrono::system_clock::now() - std::chrono::milliseconds(static_cast<long long>(runMs));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(start);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The refresh period as the display's blanks measured it; offscreen, the virtual display's.
double RefreshMs(const std::vector<report::FramePresent>& frames, const Options& options) {
    const report::FramePresent* first = nullptr;
    const report::FramePresent* last = nullptr;
    for (const report::FramePresent& frame : frames) {
        if (frame.blank < 0) continue;
        if (first == nullptr) first = &frame;
        last = &frame;
    }
    if (first != nullptr && last->blank > first->blank) {
        return (last->shownMs - first->shownMs) / static_cast<double>(last->blank - first->blank);
    }
    return options.offscreen && options.vsync ? 1000.0 / 60.0 : 0.0;
}

// What is known of the run from its start.
report::RunReport Started(const Options& options, const std::string& commandLine) {
    report::RunReport run;
    run.version = VH_VERSION;
    run.build = "Linux " + std::to_string(8 * sizeof(void*)) + "-bit";
    run.environment.push_back({"os", OperatingSystem()});
    run.environment.push_back({"ddraw", "this program's own software DirectDraw, version " VH_VERSION});
    run.environment.push_back({"display.window", options.offscreen  ? "offscreen"
                                                 : options.windowed ? "windowed"
                                                                    : "full screen"});
    run.commandLine = commandLine;
    run.timestamp = StartTimestamp(diagnostics::MillisecondsSinceStart());
    run.hostname = HostName();
    return run;
}

}  // namespace

bool WriteUnfinishedRunReport(const Options& options, const std::string& commandLine, std::string& error) {
    return report::WriteUnfinishedReport(options.report, Started(options, commandLine), error);
}

bool WriteRunReport(const Options& options, const std::string& commandLine, int exitCode, const std::string& endReason,
                    std::string& error) {
    report::RunReport run = Started(options, commandLine);
    for (const auto& [key, value] : RunFacts()) run.environment.push_back({key, value});
    run.seconds = diagnostics::MillisecondsSinceStart() / 1000.0;
    run.exitCode = exitCode;
    run.endReason = endReason;
    run.fatalError = FatalErrorText();
    run.verified = CurrentVerdict(run.verdict);
    run.pacing.vsync = options.vsync;
    for (const present::LoggedFrame& frame : present::FrameLog()) {
        run.pacing.frames.push_back({frame.presentMs, frame.shownMs, frame.blank});
    }
    run.pacing.refreshMs = RefreshMs(run.pacing.frames, options);
    run.expected = run.verdict.expected;
    run.frameCrcs = FrameCrcs();
    return report::WriteReport(options.report, run, error);
}

}  // namespace platform::runtime
