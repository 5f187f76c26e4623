// A 300-frame verified run whose frame 42 differs in a 4x4 block; its images in the folder, the crop outside it (the
// page must carry it); vsync at 60 Hz, two frames a blank late.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "report/run_report.h"

namespace report_test {

// A 24-bit BMP of colour(x, y) = 0xRRGGBB.
template <typename Colour>
inline void WriteBmp(const std::string& path, int width, int height, Colour colour) {
    const int row = (width * 3 + 3) & ~3;
    const std::uint32_t size = 54 + static_cast<std::uint32_t>(row * height);
    std::string bytes(size, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(2, size, 4), put(10, 54, 4), put(14, 40, 4), put(18, width, 4), put(22, height, 4), put(26, 1, 2),
        put(28, 24, 2);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) put(54 + (height - 1 - y) * row + x * 3, colour(x, y), 3);
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

inline report::RunReport SampleReport(const std::string& dir) {
    namespace fs = std::filesystem;
    fs::create_directories(dir);
    const auto scene = [](int x, int y) { return std::uint32_t(0x204060 + (x * 3 << 16) + (y * 4 << 8)); };
    const auto inBlock = [](int x, int y) { return x >= 20 && x < 24 && y >= 12 && y < 16; };
    const std::string at = (fs::path(dir) / "verify-frame-42-").string();
    WriteBmp(at + "got.bmp", 64, 48, [&](int x, int y) { return inBlock(x, y) ? 0xFF0000u : scene(x, y); });
    WriteBmp(at + "expected.bmp", 64, 48, [&](int x, int y) { return inBlock(x, y) ? 0x0000FFu : scene(x, y); });
    WriteBmp(at + "differences.bmp", 64, 48,
             [&](int x, int y) { return inBlock(x, y) ? 0xFF0000u : scene(x, y) >> 1 & 0x7F7F7Fu; });
    const std::string crop = fs::path(dir).string() + "-crop.bmp";
    WriteBmp(crop, 72, 72,
             [&](int x, int y) { return inBlock(16 + x / 8, 8 + y / 8) ? 0xFF0000u : scene(16 + x / 8, 8 + y / 8); });

    report::RunReport r;
    r.version = "1.0.0";
    r.build = "Linux 64-bit";
    r.environment = {{"os", "Debian GNU/Linux 12 <bookworm> & \"friends\""},
                     {"caps.dwCaps", "DDCAPS_BLT | DDCAPS_COLORKEY"},
                     {"display.mode", "640x480, 16 bits, R 0xF800 G 0x07E0 B 0x001F"},
                     {"present", "present (vsync: the X server's blanks)"}};
    r.commandLine = "vornhollow --verify --report 'out dir' --frames 300";
    r.timestamp = "2026-12-07T07:02:11Z";
    r.hostname = "builder";
    r.seconds = 5.125;
    r.exitCode = 3;
    r.verified = true;
    diagnostics::VerdictRecord& v = r.verdict;
    v.outcome = diagnostics::Outcome::Differs;
    v.line = "verified: 3 of 300 frames differ (first: frame 42, the colour-key probe, 16 pixels)";
    v.frames = v.framesCompared = 300;
    v.framesDiffering = 3;
    const auto exact = [](const char* id, std::uint64_t times) {
        diagnostics::ItemResult item;
        item.id = id, item.state = diagnostics::ItemState::Exact, item.drawn = item.compared = times;
        return item;
    };
    for (int k = 0; k < diagnostics::kDrawKinds; ++k)
        v.kinds.push_back(exact(diagnostics::DrawKindId(diagnostics::DrawKind(k)), 300));
    for (const char* picture : diagnostics::kPictureIds) v.pictures.push_back(exact(picture, 1));
    v.screen = exact(diagnostics::kScreenId, 300);
    v.strays = exact(diagnostics::kStrayWriteId, 300);
    v.counter = exact(diagnostics::kCounterId, 300);
    v.primary = {true, 300, 0, ""};
    v.window = {true, 297, 3, "the window is covered or not mapped"};
    diagnostics::Finding& f = v.first;
    f = {42,
         "the colour-key probe",
         20,
         12,
         0xF800,
         0x001F,
         16,
         2,
         0xF800,
         0x07E0,
         0x001F,
         at + "got.bmp",
         at + "expected.bmp",
         at + "differences.bmp",
         crop};
    v.hasFinding = true;
    diagnostics::ItemResult& probe = v.kinds[int(diagnostics::DrawKind::ColourKeyProbe)];
    probe.state = diagnostics::ItemState::Differs;
    probe.differed = 3;
    probe.hasFinding = true;
    probe.first = f;

    r.pacing.refreshMs = 16.667;
    std::int64_t blank = 1000;
    for (int i = 0; i < 300; ++i) {
        blank += (i == 100 || i == 200) ? 2 : 1;
        const double shown = blank * r.pacing.refreshMs;
        r.pacing.frames.push_back({shown - 3.0 - (i % 7) * 0.4, shown, blank});
    }
    return r;
}

}  // namespace report_test
