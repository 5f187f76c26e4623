#include "command_line.h"

#include "frame_check.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace runtime {
namespace {

constexpr std::uint64_t kMaxFrames = 1'000'000'000;
// Options of the Linux build that have no meaning on Windows' own display.
constexpr std::string_view kLinuxOnly[] = {"windowed",     "offscreen",  "no-vsync", "vram-kb",
                                           "pixel-format", "screenshot", "capture"};

std::string Usage() {
    return "usage: vornhollow [options]\n"
           "\n"
           "Runs the DirectDraw test scene until Escape or F12 is pressed.\n"
           "\n"
           "options (each value may also be given as --option=value):\n"
           "  --frames N      end after N composed frames (1..1000000000)\n"
           "  --trace FILE    write a JSON Lines trace of the run\n"
           "  --verify        read every composed frame back and compare it with the program's own\n"
           "                  re-drawing; the summary line (printed at the end) gives the verdict\n"
           "  --lockstep      step the scene once per composed frame, so every run draws the same\n"
           "                  frames; without --frames the run ends after one cycle (" +
           std::to_string(diagnostics::LockstepCycleFrames()) +
           " frames)\n"
           "  --expect FILE   the differences expected of this DirectDraw, one a line (see README)\n"
           "  --report DIR    write report.json, report.xml and report.html into DIR at the end\n"
           "  --unattended    no message box waits for a person: its text goes to stderr and the report\n"
           "  --help          show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n"
           "exit codes: 0 the run ended, 1 an output cannot be written or (with --unattended) a fatal\n"
           "error ended the run, 2 a bad option, 3 --verify found a difference (with --expect: not the\n"
           "expected ones), 4 --verify was incomplete (something never drawn or not read back)\n";
}

ParsedCommandLine Stop(int exitCode, std::string message) {
    ParsedCommandLine result;
    result.exitCode = exitCode;
    result.message = std::move(message);
    return result;
}

ParsedCommandLine UsageError(const std::string& problem) { return Stop(2, "vornhollow: " + problem + "\n\n" + Usage()); }

// Plain decimal digits only (no sign, spaces or other bases), from 1 to kMaxFrames.
bool ParseFrames(std::string_view text, std::uint64_t& frames) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    frames = value;
    return value >= 1 && value <= kMaxFrames;
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
    ParsedCommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") return Stop(0, Usage());
        if (argument == "--version") return Stop(0, "vornhollow " VH_VERSION "\n");
        if (argument.size() < 3 || !argument.starts_with("--")) {
            return UsageError("unexpected argument '" + std::string(argument) + "'");
        }
        const std::string_view body = argument.substr(2);
        const std::size_t equals = body.find('=');
        const std::string name(body.substr(0, equals));
        if (std::ranges::find(kLinuxOnly, name) != std::end(kLinuxOnly)) {
            return UsageError("--" + name + " exists only in the Linux build");
        }
        const std::pair<const char*, bool*> flags[] = {{"verify", &result.options.verify},
                                                       {"lockstep", &result.options.lockstep},
                                                       {"unattended", &result.options.unattended}};
        if (const auto flag = std::ranges::find(flags, name, [](const auto& f) { return std::string(f.first); });
            flag != std::end(flags)) {
            if (equals != std::string_view::npos) return UsageError("--" + name + " takes no value");
            *flag->second = true;
            continue;
        }
        std::string* const text = name == "trace"    ? &result.options.trace
                                  : name == "report" ? &result.options.report
                                  : name == "expect" ? &result.options.expect
                                                     : nullptr;
        if (text == nullptr && name != "frames") return UsageError("unknown option '--" + name + "'");

        // The value follows '=' or is the next argument, unless that is itself an option.
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = body.substr(equals + 1);
        } else if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--")) {
            value = argv[++i];
        }
        if (value.empty()) return UsageError("--" + name + " needs a value");
        if (text != nullptr) {
            *text = value;
        } else if (!ParseFrames(value, result.options.frames)) {
            return UsageError("--frames: '" + std::string(value) + "' is not a whole number from 1 to 1000000000");
        }
    }
    if (!result.options.expect.empty() && !result.options.verify) return UsageError("--expect needs --verify");
    return result;
}

}  // namespace runtime
