// The images a --verify run writes for its first differing frame: PNG files beside the trace file,
// or in the current directory when the run is not traced.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/options.h"
#include "present/png_writer.h"
#include "run_diagnostics.h"

namespace diagnostics {

bool WriteImage(const char* name, const std::uint16_t* pixels, int width, int height, int pitchPixels,
                std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask, char* path,
                std::size_t pathSize) {
    if (name == nullptr || pixels == nullptr) return false;
    const platform::PixelMasks masks565 = platform::MasksOf(platform::PixelFormat::Rgb565);
    const platform::PixelMasks masks555 = platform::MasksOf(platform::PixelFormat::Rgb555);
    platform::PixelFormat format;
    if (redMask == masks565.red && greenMask == masks565.green && blueMask == masks565.blue) {
        format = platform::PixelFormat::Rgb565;
    } else if (redMask == masks555.red && greenMask == masks555.green && blueMask == masks555.blue) {
        format = platform::PixelFormat::Rgb555;
    } else {
        return false;
    }
    const std::string& trace = platform::CurrentOptions().trace;
    const std::filesystem::path folder =
        trace.empty() ? std::filesystem::path() : std::filesystem::path(trace).parent_path();
    const std::string file = (folder / (std::string(name) + ".png")).string();
    std::string error;
    if (!platform::present::WritePng(file, pixels, width, height, pitchPixels, format, error)) {
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
