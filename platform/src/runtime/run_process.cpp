#include "runtime/run_process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/diagnostics_store.h"
#include "common/run_end.h"
#include "host/null/null_host.h"
#include "host/sdl/sdl_host.h"
#include "mm/timer_service.h"
#include "platform/options.h"
#include "present/frame_log.h"
#include "present/frame_pacing.h"
#include "present/png_writer.h"
#include "present/present_record.h"
#include "run_diagnostics.h"
#include "runtime/option_parser.h"
#include "runtime/output_checks.h"
#include "report/run_report.h"
#include "runtime/run_policy.h"
#include "runtime/run_report.h"
#include "runtime/stop_signals.h"
#include "runtime/summary.h"
#include "winbase.h"
#include "winuser.h"

namespace platform::runtime {
namespace {

std::uint64_t gCycleFrames = 0;  // of the program now running
std::string gCommandLine;        // as given, for the report

// False with the reason (also said on stderr) when no display can be opened.
bool InstallHostFor(const Options& options, std::string& reason) {
    if (options.offscreen) {
        host::InstallHost(std::make_unique<host::NullHost>());
        return true;
    }
    std::string error;
    std::unique_ptr<host::SdlHost> sdl = host::SdlHost::Start(error);
    if (!sdl) {
        reason = "no display can be opened (" + error + ")";
        std::fprintf(stderr, "vornhollow: %s; run with --offscreen to run without one\n", reason.c_str());
        return false;
    }
    host::InstallHost(std::move(sdl));
    return true;
}

// The command line as WinMain receives it: the arguments after the program name.
std::string CommandLineOf(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i] != nullptr ? argv[i] : "";
    }
    return line;
}

void WriteScreenshot(const std::string& path) {
    present::StoredFrame frame;
    if (!present::LastFrame(frame)) {
        ReportLostOutput("no frame was presented; no screenshot written to " + path);
        return;
    }
    std::string error;
    if (!present::WritePng(path, frame.pixels.data(), frame.width, frame.height, frame.width, frame.format, error)) {
        ReportLostOutput("cannot write the screenshot " + path + ": " + error);
    }
}

void PrintSummary(const Options& options) {
    const present::PresentStats stats = present::CurrentPresentStats();
    const PixelFormat format = stats.frames > 0 ? stats.format : options.pixelFormat;
    std::string pacing = present::FormatPacing(present::CurrentPacing());
    if (const std::string share = present::FormatWrittenShare(stats); !share.empty()) {
        pacing += (pacing.empty() ? "" : ", ") + share;
    }
    std::string line =
        FormatSummary(stats.frames, stats.lastPresentMs / 1000.0, pacing, SummaryNote(), format, options.vsync);
    if (options.lockstep && gCycleFrames > 0) line += ", lockstep (one cycle: " + std::to_string(gCycleFrames) + " frames)";
    if (diagnostics::VerdictRecord verdict; CurrentVerdict(verdict)) line += ", " + verdict.line;
    if (OutputLost()) line += ", an output was lost";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The exit code a run ends with, and why when that is a failure (for the report).
struct RunEnd {
    int code = 0;
    std::string reason;
};

// The program ends with 0 on its own paths. A lost output makes the run a failure, and so does
// a fatal error no one saw (the report names it as such); a verified run that found a difference
// ends with 3, an incomplete one with 4.
RunEnd EndOf(int programResult, const Options& options) {
    if (OutputLost()) return {1, "an output was lost: " + LostOutputText()};
    if (options.unattended && !FatalErrorText().empty()) return {1, ""};
    diagnostics::VerdictRecord verdict;
    if (!CurrentVerdict(verdict)) return {programResult, ""};
    if (verdict.outcome == diagnostics::Outcome::Differs) return {3, ""};
    if (verdict.outcome == diagnostics::Outcome::Incomplete) return {4, ""};
    return {programResult, ""};
}

// What a run leaves behind however it ended, also when the display went away: the verdict as
// the trace's last line, the trace closed, the screenshot, the report, and the summary line
// after a bounded or verified run or a lost output. Returns the run's exit code.
int WriteRunOutputs(int programResult, bool displayLost) {
    const Options& options = CurrentOptions();
    if (diagnostics::VerdictRecord verdict; CurrentVerdict(verdict)) {
        diagnostics::TraceLine(report::VerdictTraceLine(verdict).c_str());
    }
    CloseTrace();
    if (!options.screenshot.empty()) WriteScreenshot(options.screenshot);
    if (!options.report.empty()) {
        std::string error;
        const RunEnd end = displayLost ? RunEnd{1, "the display went away"} : EndOf(programResult, options);
        if (!WriteRunReport(options, gCommandLine, end.code, end.reason, error)) ReportLostOutput("--report: " + error);
    }
    if (options.frames > 0 || options.verify || OutputLost()) PrintSummary(options);
    return displayLost ? 1 : EndOf(programResult, options).code;
}

// A run that ends before its first frame with `code`: its report (when one is asked for) says so
// in place of the one that says the run has not ended.
int EndBeforeFirstFrame(int code, const std::string& reason) {
    const Options& options = CurrentOptions();
    std::string error;
    if (!options.report.empty() && !WriteRunReport(options, gCommandLine, code, reason, error)) {
        std::fprintf(stderr, "vornhollow: --report: %s\n", error.c_str());
    }
    return code;
}

void WriteOutputsAfterDisplayLost() { WriteRunOutputs(0, true); }

// The check this run asks for; false with the reason (also said on stderr) when its expectations
// cannot be read.
bool StartCheck(const Program& program, const Options& options, std::string& reason) {
    if (program.startCheck == nullptr) return true;
    const diagnostics::FrameCheckSettings settings{.compare = options.verify,
                                                    .crc = !options.trace.empty() || !options.report.empty(),
                                                    .facts = !options.report.empty(),
                                                    .lockstep = options.lockstep,
                                                    .expectFile = options.expect};
    std::string error;
    if (program.startCheck(settings, error)) return true;
    reason = "--expect: " + error;
    std::fprintf(stderr, "vornhollow: %s\n", reason.c_str());
    return false;
}

// A file opened while a standard descriptor is closed takes its number: with stderr closed, the
// trace would take it and the run's own messages would land in the trace. /dev/null holds each
// closed one instead.
void HoldStandardDescriptors() {
    int fd = ::open("/dev/null", O_RDWR);
    while (fd >= 0 && fd <= STDERR_FILENO) fd = ::open("/dev/null", O_RDWR);
    if (fd > STDERR_FILENO) ::close(fd);
}

}  // namespace

int RunProcess(int argc, const char* const* argv, const Program& program) {
    HoldStandardDescriptors();
    ParseResult parsed = ParseOptions(argc, argv, program.cycleFrames);
    if (parsed.exitCode) {
        std::fputs(parsed.message.c_str(), *parsed.exitCode == 0 ? stdout : stderr);
        return *parsed.exitCode;
    }
    Options& options = parsed.options;
    if (!options.expect.empty() && !options.verify) {
        std::fprintf(stderr, "vornhollow: --expect needs --verify\n\n%s", UsageText(program.cycleFrames).c_str());
        return 2;
    }
    // A lockstep run ends after one cycle of the scene unless told otherwise.
    if (options.lockstep && options.frames == 0) options.frames = program.cycleFrames;
    gCycleFrames = program.cycleFrames;
    SetOptions(options);
    ForgetRunEnd();
    ForgetRunNotes();

    std::string commandLine = CommandLineOf(argc, argv);
    gCommandLine = "vornhollow" + (commandLine.empty() ? "" : " " + commandLine);
    // From here until the run's end the report says that the run has not ended.
    if (!options.report.empty() && !PrepareReport(options, gCommandLine)) return 2;
    std::string refused;
    if (!PrepareOutputs(options, refused)) return EndBeforeFirstFrame(2, refused);
    if (!StartCheck(program, options, refused)) {
        CloseTrace();
        return EndBeforeFirstFrame(2, refused);
    }
    InstallStopSignals();
    if (!InstallHostFor(options, refused)) {
        CloseTrace();
        RemoveStopSignals();
        return EndBeforeFirstFrame(1, refused);
    }
    SetDisplayLostHandler(&WriteOutputsAfterDisplayLost);
    present::KeepFrameLog(!options.report.empty());

    InstallRunPolicy(options);
    const int result = program.entry(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);

    // The program may leave its timer running and its window open: both end with the run. The
    // last frames flipped are let reach the screen first, for the trace and the summary.
    mm::StopAllTimers();
    host::CurrentHost().FinishShowing();
    RemoveRunPolicy();
    const int exitCode = WriteRunOutputs(result, false);
    SetDisplayLostHandler(nullptr);
    // Closes the window and shuts SDL down; later calls see a fresh offscreen host.
    host::InstallHost(nullptr);
    RemoveStopSignals();
    present::KeepFrameLog(false);
    if (program.startCheck != nullptr) {
        std::string ignored;
        program.startCheck(diagnostics::FrameCheckSettings{}, ignored);  // the check ends with the run
    }
    ForgetRunEnd();
    return exitCode;
}

}  // namespace platform::runtime
