#include "runtime/summary.h"

#include <cinttypes>
#include <cstdio>

namespace platform::runtime {

std::string FormatSummary(std::uint64_t frames, double seconds, const std::string& pacing, const std::string& note,
                          PixelFormat format, bool vsync) {
    const double fps = seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0;
    char head[96];
    std::snprintf(head, sizeof head, "vornhollow: %" PRIu64 " frames in %.2f s = %.1f fps", frames, seconds, fps);
    std::string line = head;
    if (!pacing.empty()) line += ", " + pacing;
    if (!note.empty()) line += ", " + note;
    line += format == PixelFormat::Rgb565 ? ", 5-6-5" : ", 5-5-5";
    line += vsync ? ", vsync on" : ", vsync off";
    return line;
}

}  // namespace platform::runtime
