#include "runtime/option_parser.h"

#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/verdict.h"

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace platform::runtime {
namespace {

constexpr std::uint64_t kMaxVramKb = 1048576;
constexpr std::uint64_t kMaxFrames = 1'000'000'000;

// Plain decimal digits only (no sign, spaces or other bases), within [min, max].
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t min, std::uint64_t max) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value < min || value > max) return std::nullopt;
    return value;
}

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    // Applies the value (empty for flags); returns an error text, or empty on success.
    std::function<std::string(Options&, std::string_view)> apply;
};

std::string OutOfRange(std::string_view name, std::string_view value, std::string_view expected) {
    return "--" + std::string(name) + ": '" + std::string(value) + "' is not " + std::string(expected);
}

const std::vector<OptionSpec>& Specs() {
    static const std::vector<OptionSpec> specs = {
        {"windowed", false,
         [](Options& o, std::string_view) {
             o.windowed = true;
             return std::string();
         }},
        {"offscreen", false,
         [](Options& o, std::string_view) {
             o.offscreen = true;
             return std::string();
         }},
        {"no-vsync", false,
         [](Options& o, std::string_view) {
             o.vsync = false;
             return std::string();
         }},
        {"vram-kb", true,
         [](Options& o, std::string_view v) {
             const auto kb = ParseNumber(v, 0, kMaxVramKb);
             if (!kb) return OutOfRange("vram-kb", v, "a whole number from 0 to 1048576");
             o.vramKb = static_cast<std::uint32_t>(*kb);
             return std::string();
         }},
        {"pixel-format", true,
         [](Options& o, std::string_view v) {
             if (v == "565") {
                 o.pixelFormat = PixelFormat::Rgb565;
             } else if (v == "555") {
                 o.pixelFormat = PixelFormat::Rgb555;
             } else {
                 return OutOfRange("pixel-format", v, "565 or 555");
             }
             return std::string();
         }},
        {"present", true,
         [](Options& o, std::string_view v) {
             if (v == "auto") {
                 o.present = PresentPath::Auto;
             } else if (v == "present") {
                 o.present = PresentPath::Present;
             } else if (v == "xshm") {
                 o.present = PresentPath::SharedMemory;
             } else if (v == "renderer") {
                 o.present = PresentPath::Renderer;
             } else {
                 return OutOfRange("present", v, "auto, present, xshm or renderer");
             }
             return std::string();
         }},
        {"frames", true,
         [](Options& o, std::string_view v) {
             const auto frames = ParseNumber(v, 1, kMaxFrames);
             if (!frames) return OutOfRange("frames", v, "a whole number from 1 to 1000000000");
             o.frames = *frames;
             return std::string();
         }},
        {"screenshot", true,
         [](Options& o, std::string_view v) {
             o.screenshot = v;
             return std::string();
         }},
        {"capture", true,
         [](Options& o, std::string_view v) {
             o.capture = v;
             return std::string();
         }},
        {"trace", true,
         [](Options& o, std::string_view v) {
             o.trace = v;
             return std::string();
         }},
        {"verify", false,
         [](Options& o, std::string_view) {
             o.verify = true;
             return std::string();
         }},
        {"lockstep", false,
         [](Options& o, std::string_view) {
             o.lockstep = true;
             return std::string();
         }},
        {"expect", true,
         [](Options& o, std::string_view v) {
             o.expect = v;
             return std::string();
         }},
        {"report", true,
         [](Options& o, std::string_view v) {
             o.report = v;
             return std::string();
         }},
        {"unattended", false,
         [](Options& o, std::string_view) {
             o.unattended = true;
             return std::string();
         }},
    };
    return specs;
}

ParseResult UsageError(const std::string& problem, std::uint64_t cycleFrames) {
    ParseResult result;
    result.exitCode = 2;
    result.message = "vornhollow: " + problem + "\n\n" + UsageText(cycleFrames);
    return result;
}

}  // namespace

namespace {

std::vector<std::string> KindIds() {
    return {std::begin(diagnostics::kDrawKindIds), std::end(diagnostics::kDrawKindIds)};
}
std::vector<std::string> PictureIds() {
    return {std::begin(diagnostics::kPictureIds), std::end(diagnostics::kPictureIds)};
}

// The words joined by ", ", broken onto lines indented by `indent` before reaching `width`; the
// first line continues text already `indent` + 12 long.
std::string Wrapped(const std::vector<std::string>& words, std::size_t indent, std::size_t width) {
    std::string text;
    std::size_t column = indent + 12;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string word = words[i] + (i + 1 < words.size() ? "," : "");
        if (i > 0 && column + 1 + word.size() > width) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (i > 0) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
    }
    return text;
}

}  // namespace

std::string UsageText(std::uint64_t cycleFrames) {
    const std::string cycle = cycleFrames > 0 ? " (" + std::to_string(cycleFrames) + " frames)" : "";
    return "usage: vornhollow [options]\n"
           "\n"
           "Runs the DirectDraw test scene until Escape or F12 is pressed.\n"
           "\n"
           "options (each value may also be given as --option=value):\n"
           "  --windowed             a resizable 640x480 window instead of full screen\n"
           "  --offscreen            show nothing; no display needed (a virtual 60 Hz display)\n"
           "  --no-vsync             do not wait for the display's refresh when flipping\n"
           "  --vram-kb N            video memory of the emulated card in KiB, 0..1048576 (default 4096)\n"
           "  --pixel-format F       565 or 555: the 16-bit display format (default 565)\n"
           "  --present P            on X11: present (shared-memory pixmaps shown by the X server at\n"
           "                         its vertical blanks: tear-free), xshm (shared-memory images, paced\n"
           "                         by a clock with vsync), renderer (SDL's renderer, GPU and its vsync\n"
           "                         where there is one) or auto (present with vsync, xshm without, where\n"
           "                         the display offers them; the default). present and xshm convert and\n"
           "                         send only what changed since the frame shown before; the renderer\n"
           "                         takes every frame whole\n"
           "  --frames N             end after N presented frames (1..1000000000) and print a summary\n"
           "  --screenshot FILE.png  write the last presented frame as a PNG on exit\n"
           "  --capture DIR          write every presented frame as DIR/frame-000001.png, ...\n"
           "  --trace FILE           write a JSON Lines trace of the run\n"
           "  --verify               read every composed frame back and compare it with the program's own\n"
           "                         re-drawing; differences are named on stderr and in the trace, and\n"
           "                         the summary line (printed at the end) gives the verdict: exact only\n"
           "                         when every kind of draw step, every picture and the screen were\n"
           "                         compared and found exact\n"
           "  --lockstep             step the scene once per presented frame instead of every 66 ms, so\n"
           "                         every run draws the same frames; without --frames the run ends\n"
           "                         after one full cycle of the scene" +
           cycle +
           "\n"
           "  --expect FILE          the differences expected of this DirectDraw, one a line: a kind of\n"
           "                         draw step (" +
           Wrapped(KindIds(), 25, 90) +
           "),\n"
           "                         a picture (" +
           Wrapped(PictureIds(), 25, 90) +
           "),\n"
           "                         stray-write, counter or screen; '#' starts a comment\n"
           "  --report DIR           at the end of the run write report.json, report.xml (JUnit) and\n"
           "                         report.html, with the images they show, into DIR\n"
           "  --unattended           no message box waits for a person: its text goes to stderr (and\n"
           "                         the report), and the program goes on as after OK\n"
           "  --help                 show this help and exit\n"
           "  --version              show the version and exit\n"
           "\n"
           "Ctrl-C (SIGINT), SIGTERM and SIGHUP end a run in order, as Escape does; a second one\n"
           "ends it at once.\n"
           "\n"
           "exit codes:\n"
           "  0  the run ended (Escape, F12, --frames, or one of those signals)\n"
           "  1  the run could not start or go on (no display, the display went away, or with\n"
           "     --unattended a fatal error), or an output was lost: the screenshot, a captured frame,\n"
           "     the trace or the report could not be written\n"
           "  2  a bad option, a --screenshot, --capture, --trace or --report path that cannot be\n"
           "     written, or an --expect file that cannot be read\n"
           "  3  --verify: a frame, a picture or the screen differs from the program's own re-drawing\n"
           "     (with --expect: the differences are not the ones expected)\n"
           "  4  --verify: incomplete: a kind of draw step never drawn and compared, or a frame, a\n"
           "     picture or the screen not read back\n";
}

ParseResult ParseOptions(int argc, const char* const* argv, std::uint64_t cycleFrames) {
    ParseResult result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (argument == "--help") {
            result.exitCode = 0;
            result.message = UsageText(cycleFrames);
            return result;
        }
        if (argument == "--version") {
            result.exitCode = 0;
            result.message = "vornhollow " VH_VERSION "\n";
            return result;
        }
        if (argument.size() < 3 || argument.substr(0, 2) != "--") {
            return UsageError("unexpected argument '" + std::string(argument) + "'", cycleFrames);
        }
        const std::string_view body = argument.substr(2);
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        const OptionSpec* option = nullptr;
        for (const OptionSpec& candidate : Specs()) {
            if (candidate.name == name) option = &candidate;
        }
        if (option == nullptr) return UsageError("unknown option '--" + std::string(name) + "'", cycleFrames);

        std::string_view value;
        if (equals != std::string_view::npos) {
            if (!option->takesValue) return UsageError("--" + std::string(name) + " takes no value", cycleFrames);
            value = body.substr(equals + 1);
        } else if (option->takesValue) {
            // The next argument is the value, unless it is missing or is itself an option.
            const std::string_view next = i + 1 < argc && argv[i + 1] != nullptr ? argv[i + 1] : "";
            if (next.empty() || next.substr(0, 2) == "--") {
                return UsageError("--" + std::string(name) + " needs a value", cycleFrames);
            }
            value = next;
            ++i;
        }
        if (option->takesValue && value.empty()) {
            return UsageError("--" + std::string(name) + " needs a value", cycleFrames);
        }
        if (const std::string error = option->apply(result.options, value); !error.empty()) {
            return UsageError(error, cycleFrames);
        }
    }
    return result;
}

}  // namespace platform::runtime
