// The process entry on Windows. mingw-w64's C runtime calls main() in a GUI program too; it reads
// the command line, sets up the run's diagnostics and then calls the program's WinMain as the
// runtime's own start-up code would.
#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "command_line.h"
#include "frame_check.h"
#include "report/run_report.h"
#include "run_control.h"
#include "run_diagnostics.h"
#include "run_report.h"
#include "window_readback.h"

namespace {

constexpr char kTitle[] = "Vornhollow Test Program";

// How the shell asked the window to be shown.
int ShowCommand() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

// The command line without the program's name, as WinMain receives it.
LPSTR ArgumentsOf(LPSTR line) {
    for (bool quoted = false; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); ++line) {
        if (*line == '"') quoted = !quoted;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

// The runtime's own messages before and after the run: in a box, or, under --unattended where no
// one would close it, on the standard error (the help and the version on the standard output).
void Tell(bool unattended, const std::string& text, bool isError) {
    if (!unattended) {
        MessageBoxA(nullptr, text.c_str(), kTitle, isError ? MB_ICONERROR : MB_ICONINFORMATION);
        return;
    }
    std::FILE* stream = isError ? stderr : stdout;
    std::fputs(text.c_str(), stream);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
    std::fflush(stream);
}

// The report's folder takes the check's images during the run and the report at its end.
bool PrepareReportFolder(const std::string& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code && !std::filesystem::is_directory(folder, code)) error = "not a folder";
    if (code) error = code.message();
    return error.empty();
}

// A bounded or verified run ends with one line on the standard output, as on Linux. Started from
// a console or with its output redirected the line shows; from the desktop it goes nowhere.
void PrintSummary(const runtime::RunOptions& options, const std::string& verdict, bool outputLost) {
    const runtime::RunSummary summary = runtime::Summary();
    const double seconds = summary.lastFrameMs / 1000.0;
    const double fps = seconds > 0.0 ? static_cast<double>(summary.frames) / seconds : 0.0;
    std::string line = summary.note;
    if (options.lockstep) {
        line += (line.empty() ? "" : ", ") + std::string("lockstep (one cycle: ") +
                std::to_string(diagnostics::LockstepCycleFrames()) + " frames)";
    }
    if (!verdict.empty()) line += (line.empty() ? "" : ", ") + verdict;
    if (outputLost) line += (line.empty() ? "" : ", ") + std::string("an output was lost");
    std::printf("vornhollow: %" PRIu64 " frames in %.2f s = %.1f fps%s%s\n", summary.frames, seconds, fps,
                line.empty() ? "" : ", ", line.c_str());
    std::fflush(stdout);
}

// The program ends with 0 on its own paths; a fatal error no one saw makes the run a failure, and
// a verified run ends with 3 when something differs and 4 when it is incomplete.
int ExitCodeOf(int programResult, const runtime::RunOptions& options, bool verified,
               const diagnostics::VerdictRecord& verdict) {
    if (options.unattended && !runtime::FatalErrorText().empty()) return 1;
    if (!verified) return programResult;
    if (verdict.outcome == diagnostics::Outcome::Differs) return 3;
    if (verdict.outcome == diagnostics::Outcome::Incomplete) return 4;
    return programResult;
}

}  // namespace

int main(int argc, char** argv) {
    const runtime::ParsedCommandLine parsed = runtime::ParseCommandLine(argc, argv);
    if (parsed.exitCode >= 0) {
        // A refused command line has no options, but --unattended among them still holds.
        const bool unattended = std::find(argv + 1, argv + argc, std::string_view("--unattended")) != argv + argc;
        Tell(unattended, parsed.message, parsed.exitCode != 0);
        return parsed.exitCode;
    }
    runtime::RunOptions options = parsed.options;
    // A lockstep run ends after one cycle of the scene unless told otherwise.
    if (options.lockstep && options.frames == 0) options.frames = diagnostics::LockstepCycleFrames();
    const LPSTR arguments = ArgumentsOf(GetCommandLineA());
    const std::string commandLine = std::string("vornhollow") + (*arguments != '\0' ? " " : "") + arguments;
    // From here until the run's end the report says that the run has not ended.
    if (std::string error; !options.report.empty() && (!PrepareReportFolder(options.report, error) ||
                                                       !runtime::WriteUnfinishedRunReport(options, commandLine, error))) {
        Tell(options.unattended, "vornhollow: --report '" + options.report + "' cannot be written: " + error, true);
        return 1;
    }
    // A run that ends before its first frame: its report says why in place of the unfinished one.
    const auto endBeforeFirstFrame = [&](int code, const std::string& reason) {
        Tell(options.unattended, "vornhollow: " + reason, true);
        std::string error;
        if (!options.report.empty() && !runtime::WriteRunReport(options, commandLine, code, reason, error)) {
            std::fprintf(stderr, "vornhollow: --report: %s\n", error.c_str());
            std::fflush(stderr);
        }
        return code;
    };
    if (std::string error; !options.trace.empty() && !runtime::OpenTrace(options.trace, error)) {
        return endBeforeFirstFrame(1, "cannot open the trace file '" + options.trace + "': " + error);
    }
    runtime::SetRunOptions(options);
    runtime::EndAfterFrames(options.frames);
    const diagnostics::FrameCheckSettings settings{.compare = options.verify,
                                                    .crc = !options.trace.empty() || !options.report.empty(),
                                                    .facts = !options.report.empty(),
                                                    .lockstep = options.lockstep,
                                                    .expectFile = options.expect};
    if (std::string error; !diagnostics::StartFrameCheck(settings, error)) {
        return endBeforeFirstFrame(2, "--expect: " + error);
    }
    runtime::StartWindowReadback();

    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, arguments, ShowCommand());
    runtime::EndWindowReadback();

    // The verdict ends the trace, as on Linux; the report records the exit code the run ends with.
    diagnostics::VerdictRecord verdict;
    const bool verified = runtime::CurrentVerdict(verdict);
    if (verified) diagnostics::TraceLine(report::VerdictTraceLine(verdict).c_str());
    runtime::CloseTrace();
    const int exitCode = ExitCodeOf(result, options, verified, verdict);
    bool outputLost = false;
    if (std::string error;
        !options.report.empty() && !runtime::WriteRunReport(options, commandLine, exitCode, std::string(), error)) {
        std::fprintf(stderr, "vornhollow: --report: %s\n", error.c_str());
        std::fflush(stderr);
        outputLost = true;
    }
    if (options.frames > 0 || options.verify || outputLost) {
        PrintSummary(options, verified ? verdict.line : std::string(), outputLost);
    }
    return outputLost ? 1 : exitCode;
}
