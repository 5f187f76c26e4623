// The process entry on Windows. mingw-w64's C runtime calls main() in a GUI program too; it reads
// the command line, sets up the run's diagnostics and then calls the program's WinMain as the
// runtime's own start-up code would.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <string>

#include "command_line.h"
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
void PrintSummary(const std::string& verdict) {
    const runtime::RunSummary summary = runtime::Summary();
    const double seconds = summary.lastFrameMs / 1000.0;
    const double fps = seconds > 0.0 ? static_cast<double>(summary.frames) / seconds : 0.0;
    std::printf("vornhollow: %" PRIu64 " frames in %.2f s = %.1f fps%s%s%s%s\n", summary.frames, seconds, fps,
                summary.note.empty() ? "" : ", ", summary.note.c_str(), verdict.empty() ? "" : ", ", verdict.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const runtime::ParsedCommandLine parsed = runtime::ParseCommandLine(argc, argv);
    if (parsed.exitCode >= 0) {
        // A GUI program has no console to print to.
        MessageBoxA(nullptr, parsed.message.c_str(), kTitle, parsed.exitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
        return parsed.exitCode;
    }
    const runtime::RunOptions& options = parsed.options;
    if (std::string error; !options.trace.empty() && !runtime::OpenTrace(options.trace, error)) {
        const std::string text = "vornhollow: cannot open the trace file '" + options.trace + "': " + error;
        MessageBoxA(nullptr, text.c_str(), kTitle, MB_ICONERROR);
        return 1;
    }
    runtime::EndAfterFrames(options.frames);
    if (options.verify) runtime::EnableVerify(options.trace);

    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), ShowCommand());

    bool differs = false;
    const std::string verdict = runtime::Verdict(differs);
    if (options.frames > 0 || options.verify) PrintSummary(verdict);
    runtime::CloseTrace();
    // A verified run that found a frame or a picture differing ends with 3.
    return differs ? 3 : result;
}
