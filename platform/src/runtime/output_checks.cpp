#include "runtime/output_checks.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/diagnostics_store.h"
#include "present/png_writer.h"

namespace platform::runtime {
namespace {

bool Refuse(const char* option, const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "vornhollow: %s '%s' cannot be written: %s\n", option, path.c_str(), reason.c_str());
    return false;
}

bool PrepareCapture(const std::string& directory, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (!code && !std::filesystem::is_directory(directory, code)) {
        error = "not a directory";
        return false;
    }
    if (code) {
        error = code.message();
        return false;
    }
    return present::CanWritePng(directory + "/frame-000001.png", error);
}

}  // namespace

bool PrepareOutputs(const Options& options) {
    std::string error;
    if (!options.screenshot.empty() && !present::CanWritePng(options.screenshot, error)) {
        return Refuse("--screenshot", options.screenshot, error);
    }
    if (!options.capture.empty() && !PrepareCapture(options.capture, error)) {
        return Refuse("--capture", options.capture, error);
    }
    // The report's folder takes the check's images as well as the report itself.
    if (!options.report.empty() && !PrepareCapture(options.report, error)) {
        return Refuse("--report", options.report, error);
    }
    if (!options.trace.empty() && !OpenTrace(options.trace, error)) return Refuse("--trace", options.trace, error);
    return true;
}

}  // namespace platform::runtime
