#include "runtime/run_process.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "common/diagnostics_store.h"
#include "host/null/null_host.h"
#include "host/sdl/sdl_host.h"
#include "mm/timer_service.h"
#include "platform/options.h"
#include "present/png_writer.h"
#include "present/present_record.h"
#include "runtime/option_parser.h"
#include "runtime/run_policy.h"
#include "runtime/summary.h"
#include "winbase.h"
#include "winuser.h"

namespace platform::runtime {
namespace {

bool PrepareCaptureDirectory(const std::string& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (!error && std::filesystem::is_directory(directory, error)) return true;
    std::fprintf(stderr, "vornhollow: cannot use '%s' for --capture: %s\n", directory.c_str(),
                 error ? error.message().c_str() : "not a directory");
    return false;
}

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

bool WriteScreenshot(const std::string& path) {
    present::StoredFrame frame;
    if (!present::LastFrame(frame)) {
        std::fprintf(stderr, "vornhollow: no frame was presented; no screenshot written to %s\n", path.c_str());
        return false;
    }
    std::string error;
    if (!present::WritePng(path, frame.pixels.data(), frame.width, frame.height, frame.width, frame.format, error)) {
        std::fprintf(stderr, "vornhollow: cannot write the screenshot %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

void PrintSummary(const Options& options) {
    const present::PresentStats stats = present::CurrentPresentStats();
    const PixelFormat format = stats.frames > 0 ? stats.format : options.pixelFormat;
    const std::string line =
        FormatSummary(stats.frames, stats.lastPresentMs / 1000.0, SummaryNote(), format, options.vsync);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
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

    if (!options.capture.empty() && !PrepareCaptureDirectory(options.capture)) return 1;
    if (!options.trace.empty()) {
        std::string error;
        if (!OpenTrace(options.trace, error)) {
            std::fprintf(stderr, "vornhollow: cannot open the trace file '%s': %s\n", options.trace.c_str(),
                         error.c_str());
            return 1;
        }
    }
    if (!InstallHostFor(options)) {
        CloseTrace();
        return 1;
    }

    InstallRunPolicy(options);
    std::string commandLine = CommandLineOf(argc, argv);
    const int result = entry(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);

    // The program leaves its timer running and its window open: both end with the process.
    mm::StopAllTimers();
    RemoveRunPolicy();
    bool screenshotWritten = true;
    if (!options.screenshot.empty()) screenshotWritten = WriteScreenshot(options.screenshot);
    if (options.frames > 0) PrintSummary(options);
    CloseTrace();
    // Closes the window and shuts SDL down; later calls see a fresh offscreen host.
    host::InstallHost(nullptr);
    return screenshotWritten ? result : 1;
}

}  // namespace platform::runtime
