// The process entry on Windows. mingw-w64's C runtime calls main() in a GUI program too; it reads
// the command line, sets up the run's diagnostics and then calls the program's WinMain as the
// runtime's own start-up code would.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <string>

#include "command_line.h"
#include "frame_check.h"
#include "run_control.h"

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

// A bounded or verified run ends with one line on the standard output, as on Linux. Started from
// a console or with its output redirected the line shows; from the desktop it goes nowhere.
void PrintSummary(const runtime::RunOptions& options, const std::string& verdict) {
    const runtime::RunSummary summary = runtime::Summary();
    const double seconds = summary.lastFrameMs / 1000.0;
    const double fps = seconds > 0.0 ? static_cast<double>(summary.frames) / seconds : 0.0;
    std::string line = summary.note;
    if (options.lockstep) {
        line += (line.empty() ? "" : ", ") + std::string("lockstep (one cycle: ") +
                std::to_string(diagnostics::LockstepCycleFrames()) + " frames)";
    }
    if (!verdict.empty()) line += (line.empty() ? "" : ", ") + verdict;
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
        // A GUI program has no console to print to.
        MessageBoxA(nullptr, parsed.message.c_str(), kTitle, parsed.exitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
        return parsed.exitCode;
    }
    runtime::RunOptions options = parsed.options;
    // A lockstep run ends after one cycle of the scene unless told otherwise.
    if (options.lockstep && options.frames == 0) options.frames = diagnostics::LockstepCycleFrames();
    if (std::string error; !options.trace.empty() && !runtime::OpenTrace(options.trace, error)) {
        const std::string text = "vornhollow: cannot open the trace file '" + options.trace + "': " + error;
        MessageBoxA(nullptr, text.c_str(), kTitle, MB_ICONERROR);
        return 1;
    }
    runtime::SetRunOptions(options);
    runtime::EndAfterFrames(options.frames);
    diagnostics::FrameCheckSettings settings;
    settings.compare = options.verify;
    settings.crc = !options.trace.empty();
    settings.facts = !options.report.empty();
    settings.lockstep = options.lockstep;
    settings.expectFile = options.expect;
    if (std::string error; !diagnostics::StartFrameCheck(settings, error)) {
        const std::string text = "vornhollow: --expect: " + error;
        MessageBoxA(nullptr, text.c_str(), kTitle, MB_ICONERROR);
        return 2;
    }

    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), ShowCommand());

    diagnostics::VerdictRecord verdict;
    const bool verified = runtime::CurrentVerdict(verdict);
    if (options.frames > 0 || options.verify) PrintSummary(options, verified ? verdict.line : std::string());
    runtime::CloseTrace();
    return ExitCodeOf(result, options, verified, verdict);
}
