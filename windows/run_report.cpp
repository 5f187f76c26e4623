#include "run_report.h"

#include "report/run_report.h"
#include "run_control.h"
#include "run_diagnostics.h"
#include "system_facts.h"

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace runtime {

bool WriteRunReport(const RunOptions& options, const std::string& commandLine, int exitCode, std::string& error) {
    report::RunReport run;
    run.version = VH_VERSION;
    run.build = "Windows " + std::to_string(8 * sizeof(void*)) + "-bit";
    for (const auto& [key, value] : SystemFacts()) run.environment.push_back({key, value});
    for (const auto& [key, value] : RunFacts()) run.environment.push_back({key, value});
    run.commandLine = commandLine;
    const double runMs = diagnostics::MillisecondsSinceStart();
    run.seconds = runMs / 1000.0;
    run.timestamp = UtcTimestamp(runMs);
    run.hostname = HostName();
    run.exitCode = exitCode;
    run.fatalError = FatalErrorText();
    run.verified = CurrentVerdict(run.verdict);
    // Flip waits for the vertical blank here, but when the display showed a frame is not known.
    run.pacing.vsync = true;
    for (const double presentMs : PresentTimes()) run.pacing.frames.push_back({presentMs, -1, -1});
    run.expected = run.verdict.expected;
    return report::WriteReport(options.report, run, error);
}

}  // namespace runtime
