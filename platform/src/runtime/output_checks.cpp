#include "runtime/output_checks.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/diagnostics_store.h"
#include "present/png_writer.h"
#include "runtime/run_report.h"

namespace platform::runtime {
namespace {

bool Refuse(const char* option, const std::string& path, const std::string& reason, std::string* refused = nullptr) {
    const std::string message = std::string(option) + " '" + path + "' cannot be written: " + reason;
    std::fprintf(stderr, "vornhollow: %s\n", message.c_str());
    if (refused != nullptr) *refused = message;
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

bool PrepareReport(const Options& options, const std::string& commandLine) {
    std::string error;
    if (!PrepareCapture(options.report, error) || !WriteUnfinishedRunReport(options, commandLine, error)) {
        return Refuse("--report", options.report, error);
    }
    return true;
}

bool PrepareOutputs(const Options& options, std::string& refused) {
    std::string error;
    if (!options.screenshot.empty() && !present::CanWritePng(options.screenshot, error)) {
        return Refuse("--screenshot", options.screenshot, error, &refused);
    }
    if (!options.capture.empty() && !PrepareCapture(options.capture, error)) {
        return Refuse("--capture", options.capture, error, &refused);
    }
    if (!options.trace.empty() && !OpenTrace(options.trace, error)) {
        return Refuse("--trace", options.trace, error, &refused);
    }
    return true;
}

}  // namespace platform::runtime
