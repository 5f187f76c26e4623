// The images the frame check writes for a difference: PNG files in the report's folder, else
// beside the trace file, else in the current directory.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/options.h"
#include "present/png_writer.h"
#include "run_diagnostics.h"

namespace diagnostics {

bool WriteImage(const char* name, const std::uint8_t* rgb, int width, int height, char* path, std::size_t pathSize) {
    if (name == nullptr || rgb == nullptr) return false;
    const platform::Options& options = platform::CurrentOptions();
    const std::filesystem::path folder = !options.report.empty() ? std::filesystem::path(options.report)
                                         : !options.trace.empty() ? std::filesystem::path(options.trace).parent_path()
                                                                  : std::filesystem::path();
    const std::string file = (folder / (std::string(name) + ".png")).string();
    std::string error;
    if (!platform::present::WriteRgbPng(file, rgb, width, height, error)) {
        Notice(("cannot write " + file + ": " + error).c_str());
        return false;
    }
    if (path != nullptr && pathSize > 0) {
        const std::size_t length = std::min(file.size(), pathSize - 1);
        std::memcpy(path, file.data(), length);
        path[length] = '\0';
    }
    return true;
}

}  // namespace diagnostics
