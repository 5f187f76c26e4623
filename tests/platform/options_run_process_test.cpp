// The process around WinMain: what a run with options leaves behind (summary line, screenshot,
// trace), what WinMain is given, and how runs that cannot start end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../test_files.h"
#include "host/null/null_host_control.h"
#include "platform/options.h"
#include "present/presenter.h"
#include "present_png_reader.h"
#include "run_diagnostics.h"
#include "runtime/run_process.h"
#include "windows.h"

namespace {

// What the fake program saw and did, and what the run had when it started: no window made or
// shown, no message waiting (also after a run before it in the same process).
struct EntryRecord {
    int calls = 0, showCommand = -1, result = 0;
    HINSTANCE instance = nullptr, previous = reinterpret_cast<HINSTANCE>(1);
    std::string commandLine;
    std::tuple<bool, bool, bool> startState{true, true, true};
} gEntry;

std::tuple<bool, bool, bool> StartState() {
    MSG waiting{};
    return {platform::testing::HostWindowExists(),
            platform::testing::HostWindowVisible(), PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE) != FALSE};
}

// A small program in the shape of the real one: a note for the summary, a trace line, then five
// frames (frame n filled with n), or one for a run of one frame.
int WINAPI FakeWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    gEntry = {gEntry.calls + 1, showCommand, gEntry.result, instance, previous, commandLine, StartState()};
    diagnostics::SetSummaryNote("3 tiles");
    diagnostics::TraceLine(R"({"event":"start"})");
    std::vector<std::uint16_t> pixels(640 * 480);
    for (std::uint16_t n = 1; n <= (platform::CurrentOptions().frames == 1 ? 1 : 5); ++n) {
        std::fill(pixels.begin(), pixels.end(), n);
        platform::PresentFrame({pixels.data(), 640, 480, 640, platform::CurrentOptions().pixelFormat}, true);
    }
    return gEntry.result;
}

int WINAPI EmptyWinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }

struct RunResult {
    int exitCode;
    std::string out, err;
};

RunResult RunWithCycle(std::vector<std::string> args, platform::runtime::EntryPoint entry, std::uint64_t cycleFrames) {
    args.insert(args.begin(), "vornhollow");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code =
        platform::runtime::RunProcess(static_cast<int>(argv.size()), argv.data(), {entry, nullptr, cycleFrames});
    return {code, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
}
RunResult RunWith(std::vector<std::string> args, platform::runtime::EntryPoint entry = FakeWinMain) {
    return RunWithCycle(std::move(args), entry, 0);
}

class RunProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        gEntry = EntryRecord{};
        platform::testing::UseNullHost();
    }
    void TearDown() override {
        platform::SetOptions(platform::Options{});
        diagnostics::SetSummaryNote("");
        platform::testing::UseNullHost();
    }
    std::string In(const char* name) const { return (dir_.path / name).string(); }
    const test_files::TempDir dir_;
};

TEST_F(RunProcessTest, ABoundedOffscreenRunLeavesSummaryScreenshotAndTrace) {
    gEntry.result = 7;
    const RunResult run = RunWith({"--offscreen", "--no-vsync", "--frames=5", "--pixel-format", "555", "--screenshot",
                                   In("shot.png"), "--trace=" + In("trace.jsonl")});
    EXPECT_EQ(run.exitCode, 7) << "WinMain's result is the exit code; " << run.err;
    EXPECT_EQ(std::tuple(gEntry.calls, gEntry.instance, gEntry.previous, gEntry.showCommand),
              std::tuple(1, GetModuleHandleA(nullptr), HINSTANCE{}, SW_SHOWNORMAL));
    EXPECT_EQ(gEntry.commandLine, "--offscreen --no-vsync --frames=5 --pixel-format 555 --screenshot " +
                                      In("shot.png") + " --trace=" + In("trace.jsonl"));

    unsigned long long frames = 0;
    double seconds = 0, fps = 0;
    int used = 0;
    const char* format = "vornhollow: %llu frames in %lf s = %lf fps, %n";
    ASSERT_EQ(std::sscanf(run.out.c_str(), format, &frames, &seconds, &fps, &used), 3) << run.out;
    EXPECT_EQ(frames, 5u);
    // Both are printed rounded (seconds to 0.01, fps to 0.1): fps must fit 5 frames in that time.
    // A fast machine can finish within 5 ms of the process's start, printed as 0.00 s.
    EXPECT_GE(fps, 5 / (seconds + 0.005) - 0.051);
    if (seconds >= 0.01) {
        EXPECT_LE(fps, 5 / (seconds - 0.005) + 0.051);
    }
    EXPECT_EQ(run.out.substr(static_cast<std::size_t>(used)), "3 tiles, 5-5-5, vsync off\n");
    // The screenshot is the fifth frame: every pixel 5 in 5-5-5, blue 5 widened to 41.
    const present_test::RgbImage shot = present_test::ReadPng(In("shot.png"));
    ASSERT_TRUE(shot.ok && shot.width == 640);
    EXPECT_EQ((std::pair{shot.At(639, 479)[0], shot.At(639, 479)[2]}), (std::pair<std::uint8_t, std::uint8_t>{0, 41}));
    // The program's own line, then one line per presented frame.
    std::ifstream trace(In("trace.jsonl"));
    std::string line;
    ASSERT_TRUE(std::getline(trace, line));
    EXPECT_EQ(line, R"({"event":"start"})");
    int n = 0;
    while (std::getline(trace, line)) {
        EXPECT_EQ(line.rfind(R"({"type":"present","n":)" + std::to_string(++n) + R"(,"t_ms":)", 0), 0u) << line;
    }
    EXPECT_EQ(n, 5) << "one line per frame";
    EXPECT_FALSE(diagnostics::TraceEnabled());
}

// A checked run's images go into the report's folder when there is one, else beside the trace,
// as PNGs of the RGB bytes given.
TEST_F(RunProcessTest, ImagesGoToTheReportOrBesideTheTrace) {
    std::filesystem::create_directories(In("report"));
    const std::uint8_t rgb[] = {0, 255, 0, 255, 255, 255};  // a 1x2 image: green over white
    for (bool report : {true, false}) {
        platform::Options options;
        options.trace = In("t.jsonl");
        if (report) options.report = In("report");
        platform::SetOptions(options);
        char path[512] = "";
        ASSERT_TRUE(diagnostics::WriteImage("image", rgb, 1, 2, path, sizeof path));
        EXPECT_EQ(path, (report ? In("report") + "/" : In("")) + "image.png");
        const present_test::RgbImage image = present_test::ReadPng(path);
        ASSERT_TRUE(image.ok && image.width == 1 && image.height == 2);
        EXPECT_EQ((std::tuple(image.At(0, 0)[0], image.At(0, 0)[1], image.At(0, 1)[2])),
                  (std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>{0, 255, 255}));
        // A path longer than the room given is cut to fit, its end marked, nothing past the room written.
        char cut[12];
        std::memset(cut, '#', sizeof cut);
        ASSERT_TRUE(diagnostics::WriteImage("image", rgb, 1, 2, cut, 8));
        EXPECT_EQ(std::string(cut, sizeof cut), std::string(path, 7) + '\0' + "####");
    }
    // A folder that is gone: no image, no path given for it.
    platform::Options options;
    options.report = In("gone");
    platform::SetOptions(options);
    char path[512] = "";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(diagnostics::WriteImage("image", rgb, 1, 2, path, sizeof path));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot write " + In("gone")), std::string::npos);
    EXPECT_STREQ(path, "");
}

// Usage errors, help, version and a missing display never start the program.
TEST_F(RunProcessTest, RunsThatCannotStartNeverCallWinMain) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        bool usageOnStdout, usageOnStderr;
    } cases[] = {{{"--frames", "0"}, 2, false, true}, {{"--help"}, 0, true, false}, {{"--version"}, 0, false, false}};
    for (const auto& c : cases) {
        const RunResult run = RunWith(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0];
        EXPECT_EQ(run.out.find("usage:") != std::string::npos, c.usageOnStdout) << c.args[0];
        EXPECT_EQ(run.err.find("usage:") != std::string::npos, c.usageOnStderr) << c.args[0];
    }
    // Each option's text, and every line it wraps to, starts at column 25.
    std::istringstream help(RunWith({"--help"}).out);
    int wrapped = 0;
    for (std::string line; std::getline(help, line) && line != "exit codes:";) {
        if (!line.starts_with(" ") || line.starts_with("  --")) continue;
        EXPECT_EQ(line.find_first_not_of(' '), 25u) << line;
        ++wrapped;
    }
    EXPECT_GT(wrapped, 10);
    const char* saved = std::getenv("SDL_VIDEODRIVER");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("SDL_VIDEODRIVER", "no-such-video-driver", 1);
    const RunResult run = RunWith({"--frames", "3"});
    saved != nullptr ? ::setenv("SDL_VIDEODRIVER", previous.c_str(), 1) : ::unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(run.exitCode, 1) << "no display";
    EXPECT_NE(run.err.find("--offscreen"), std::string::npos) << run.err;
    EXPECT_EQ(gEntry.calls, 0);
}

// The summary line is printed after a bounded or checked run, and after one that lost an output,
// which it then says; never after a plain run. A screenshot of no frame is an output lost. A
// lockstep run is bounded by the scene's cycle, which the line names. Each run starts afresh.
TEST_F(RunProcessTest, WhenTheSummaryLineIsPrintedAndWhatEachRunStartsWith) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        platform::runtime::EntryPoint entry;
        int exitCode;
        const char* summary;  // how the line ends; null: no line at all
    } rows[] = {
        {"plain", {"--offscreen"}, EmptyWinMain, 0, nullptr},
        // Before any run here has presented a frame.
        {"a screenshot of no frame", {"--offscreen", "--screenshot", In("none.png")}, EmptyWinMain, 1,
         "vsync on, an output was lost\n"},
        {"bounded, a shot of one frame", {"--offscreen", "--no-vsync", "--frames=1", "--screenshot", In("1.png")},
         FakeWinMain, 0, "3 tiles, 5-6-5, vsync off\n"},
        {"plain, frames drawn", {"--offscreen", "--no-vsync"}, FakeWinMain, 0, nullptr},
        {"checked", {"--offscreen", "--verify"}, FakeWinMain, 0, "3 tiles, 5-6-5, vsync on\n"},
        {"lockstep", {"--offscreen", "--lockstep"}, FakeWinMain, 0, "vsync on, lockstep (one cycle: 297 frames)\n"},
        {"lockstep, trace lost", {"--offscreen", "--lockstep", "--trace", "/dev/full"}, FakeWinMain, 1,
         "lockstep (one cycle: 297 frames), an output was lost\n"},
        {"a trace lost", {"--offscreen", "--trace", "/dev/full"}, FakeWinMain, 1, ", an output was lost\n"},
        {"windowed, plain", {"--windowed", "--no-vsync"}, FakeWinMain, 0, nullptr},
        {"windowed, bounded", {"--windowed", "--frames", "5"}, FakeWinMain, 0, "3 tiles, 5-6-5, vsync on\n"},
    };
    for (const auto& row : rows) {
        const int callsBefore = gEntry.calls;
        gEntry.startState = {true, true, true};
        const RunResult run = RunWithCycle(row.args, row.entry, 297);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.name << ": " << run.err;
        if (gEntry.calls > callsBefore) {
            EXPECT_EQ(gEntry.startState, std::make_tuple(false, false, false)) << row.name;
        }
        if (row.summary == nullptr) {
            EXPECT_EQ(run.out, "") << row.name;
            continue;
        }
        const std::string ending = row.summary;
        EXPECT_EQ(run.out.rfind("vornhollow: ", 0), 0u) << row.name << ": " << run.out;
        EXPECT_TRUE(run.out.size() >= ending.size() && run.out.compare(run.out.size() - ending.size(), ending.size(),
                                                                       ending) == 0)
            << row.name << ": " << run.out;
    }
    EXPECT_TRUE(!std::filesystem::exists(In("none.png")) && std::filesystem::exists(In("1.png")));
}

}  // namespace
