#include "run_report.h"

#include "report/run_report.h"
#include "run_control.h"
#include "run_diagnostics.h"
#include "system_facts.h"

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace runtime {

namespace {

// What is known of the run from its start.
report::RunReport Started(const std::string& commandLine) {
    report::RunReport run;
    run.version = VH_VERSION;
    run.build = "Windows " + std::to_string(8 * sizeof(void*)) + "-bit";
    run.commandLine = commandLine;
    run.timestamp = UtcTimestamp(diagnostics::MillisecondsSinceStart());
    run.hostname = HostName();
    // The DirectDraw is loaded with the executable: a run that does not end still names it.
    for (const auto& [key, value] : SystemFacts()) run.environment.push_back({key, value});
    run.environment.push_back({"display.window", "full screen"});
    for (const auto& [key, value] : WineFacts()) run.environment.push_back({key, value});
    return run;
}

}  // namespace

bool WriteUnfinishedRunReport(const RunOptions& options, const std::string& commandLine, std::string& error) {
    return report::WriteUnfinishedReport(options.report, Started(commandLine), error);
}

bool WriteRunReport(const RunOptions& options, const std::string& commandLine, int exitCode,
                    const std::string& endReason, std::string& error) {
    report::RunReport run = Started(commandLine);
    for (const auto& [key, value] : RunFacts()) run.environment.push_back({key, value});
    run.seconds = diagnostics::MillisecondsSinceStart() / 1000.0;
    run.exitCode = exitCode;
    run.endReason = endReason;
    run.fatalError = FatalErrorText();
    run.verified = CurrentVerdict(run.verdict);
    // Flip waits for the vertical blank here, but when the display showed a frame is not known.
    run.pacing.vsync = true;
    for (const double presentMs : PresentTimes()) run.pacing.frames.push_back({presentMs, -1, -1});
    run.expected = run.verdict.expected;
    run.frameCrcs = FrameCrcs();
    return report::WriteReport(options.report, run, error);
}

}  // namespace runtime
