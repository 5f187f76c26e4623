#include "runtime/run_process.h"

#include <cstdio>
#include <memory>
#include <string>

#include "common/diagnostics_store.h"
#include "common/run_end.h"
#include "host/null/null_host.h"
#include "host/sdl/sdl_host.h"
#include "mm/timer_service.h"
#include "platform/options.h"
#include "present/frame_pacing.h"
#include "present/png_writer.h"
#include "present/present_record.h"
#include "run_diagnostics.h"
#include "runtime/option_parser.h"
#include "runtime/output_checks.h"
#include "runtime/run_policy.h"
#include "runtime/stop_signals.h"
#include "runtime/summary.h"
#include "winbase.h"
#include "winuser.h"

namespace platform::runtime {
namespace {

bool InstallHostFor(const Options& options) {
    if (options.offscreen) {
        host::InstallHost(std::make_unique<host::NullHost>());
        return true;
    }
    std::string error;
    std::unique_ptr<host::SdlHost> sdl = host::SdlHost::Start(error);
    if (!sdl) {
        std::fprintf(stderr, "vornhollow: no display can be opened (%s); run with --offscreen to run without one\n",
                     error.c_str());
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
    const std::string pacing = present::FormatPacing(present::CurrentPacing());
    std::string line =
        FormatSummary(stats.frames, stats.lastPresentMs / 1000.0, pacing, SummaryNote(), format, options.vsync);
    if (const Verdict verdict = CurrentVerdict(); !verdict.text.empty()) line += ", " + verdict.text;
    if (OutputLost()) line += ", an output was lost";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// What a run leaves behind however it ended, also when the display went away: the trace closed,
// the screenshot, and the summary line after a bounded or verified run or a lost output.
void WriteRunOutputs() {
    const Options& options = CurrentOptions();
    CloseTrace();
    if (!options.screenshot.empty()) WriteScreenshot(options.screenshot);
    if (options.frames > 0 || options.verify || OutputLost()) PrintSummary(options);
}

}  // namespace

int RunProcess(int argc, const char* const* argv, EntryPoint entry) {
    ParseResult parsed = ParseOptions(argc, argv);
    if (parsed.exitCode) {
        std::fputs(parsed.message.c_str(), *parsed.exitCode == 0 ? stdout : stderr);
        return *parsed.exitCode;
    }
    const Options& options = parsed.options;
    SetOptions(options);
    ForgetRunEnd();

    if (!PrepareOutputs(options)) return 2;
    InstallStopSignals();
    if (!InstallHostFor(options)) {
        CloseTrace();
        RemoveStopSignals();
        return 1;
    }
    SetDisplayLostHandler(&WriteRunOutputs);
    diagnostics::SetVerdictWriter(nullptr);  // the program sets its own when it verifies

    InstallRunPolicy(options);
    std::string commandLine = CommandLineOf(argc, argv);
    const int result = entry(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);

    // The program may leave its timer running and its window open: both end with the run. The
    // last frames flipped are let reach the screen first, for the trace and the summary.
    mm::StopAllTimers();
    host::CurrentHost().FinishShowing();
    RemoveRunPolicy();
    WriteRunOutputs();
    SetDisplayLostHandler(nullptr);
    // Closes the window and shuts SDL down; later calls see a fresh offscreen host.
    host::InstallHost(nullptr);
    RemoveStopSignals();
    // The program ends with 0 on its own paths; a lost output makes the run a failure, and a
    // verified run that found a difference ends with 3.
    const int exitCode = OutputLost() ? 1 : CurrentVerdict().differs ? 3 : result;
    diagnostics::SetVerdictWriter(nullptr);
    ForgetRunEnd();
    return exitCode;
}

}  // namespace platform::runtime
