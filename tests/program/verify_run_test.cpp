// --verify on the whole program, offscreen, with the animation stepped once per frame so that every
// run sees the same scenes however fast the machine is: the first fireball from the 48th step, the
// creature walking left from the 129th. Exact runs stay exact, each fault planted in our own
// blitter is caught and put down to the step it breaks, and a restoration mid-run that really
// scrambles the flip chain raises no false alarm.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "common/run_end.h"
#include "ddraw/ddraw_control.h"
#include "host/null/null_host_control.h"
#include "kernel/kernel_control.h"
#include "platform/options.h"
#include "present/presenter.h"
#include "runtime/run_process.h"

#include "app/globals.h"
#include "scene/scene_state.h"

namespace {

using platform::ddraw::BlitFault;

struct RunResult {
    int code = -1;
    std::string out, err, trace;
};

constexpr std::uint64_t kFrames = 200;
std::uint64_t gLastFrame = 0;

// The program, its timer's steps stopped and the scene stepped once per presented frame instead;
// the run ends after gLastFrame frames.
int WINAPI FrameLockedWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    platform::SetFramePresentedHook([](std::uint64_t n) {
        gAppActive = 0;
        if (n == 2) {
            // A slow start-up (a loaded machine, a sanitizer) lets the timer step the scene before
            // the first frame: those steps are undone before the first scene frame, once the last
            // one has finished, so every run draws the same scenes.
            while (gScene->busy.load(std::memory_order_acquire) != 0) std::this_thread::yield();
            const std::int32_t phase = gScene->tilePhaseFrames;
            gScene->Reset();
            gScene->tilePhaseFrames = phase;
        }
        if (n >= 3) gScene->Step();
        if (n == gLastFrame) platform::RequestStop();
    });
    return WinMain(instance, previous, commandLine, showCommand);
}

struct Verdict {
    unsigned long long differing = 0;
    std::string frame, step;
};

// "verified: D of 200 frames differ (first: frame F, STEP, P pixels)": D, F and STEP, or nothing.
Verdict FirstDifference(const std::string& out) {
    const std::size_t at = out.find("verified: ");
    unsigned long long differing = 0, frame = 0;
    int used = 0;
    const char* format = "verified: %llu of 200 frames differ (first: frame %llu, %n";
    if (at == std::string::npos || std::sscanf(out.c_str() + at, format, &differing, &frame, &used) != 2 || used == 0)
        return {};
    const std::string rest = out.substr(at + static_cast<std::size_t>(used));
    return {differing, std::to_string(frame), rest.substr(0, rest.rfind(", ", rest.find(" pixels)")))};
}

class VerifyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = std::filesystem::temp_directory_path() / ("vh-verify-" + std::to_string(::getpid()) + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        platform::ddraw::ResetForTesting();
        // The counter's text is left out of the comparison, so its width decides which wrong pixels
        // are seen: a stopped clock keeps it "0 100" however slow the machine runs.
        platform::testing::SetTickCount(1000);
    }
    void TearDown() override {
        platform::ddraw::ResetForTesting();
        platform::testing::SetTickCount(std::nullopt);
        platform::SetOptions(platform::Options{});
        std::filesystem::remove_all(dir_);
    }
    RunResult RunProgram(std::uint64_t frames) {
        platform::testing::UseNullHost();
        gLastFrame = frames;
        std::vector<std::string> args = extra_;
        const std::string trace = (dir_ / "t.jsonl").string();
        args.insert(args.begin(), {"vornhollow", "--offscreen", "--no-vsync", "--verify", "--trace", trace});
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        RunResult run;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        run.code = platform::runtime::RunProcess(static_cast<int>(argv.size()), argv.data(), FrameLockedWinMain);
        run.out = ::testing::internal::GetCapturedStdout();
        run.err = ::testing::internal::GetCapturedStderr();
        std::stringstream text;
        text << std::ifstream(trace).rdbuf();
        run.trace = text.str();
        return run;
    }
    std::filesystem::path dir_;
    std::vector<std::string> extra_;  // options besides the offscreen, verified, traced run
};

TEST_F(VerifyRunTest, ExactRunsVerifyEveryFrame) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* tiles;
    } rows[] = {{"5-6-5", {}, "100 tiles, 5-6-5"},
                {"5-5-5", {"--pixel-format", "555"}, "100 tiles, 5-5-5"},
                {"24 tiles", {"--vram-kb", "1600"}, "24 tiles, 5-6-5"},
                {"no tiles", {"--vram-kb", "1410"}, "0 tiles, 5-6-5"}};
    for (const auto& row : rows) {
        extra_ = row.args;
        const RunResult run = RunProgram(kFrames);
        EXPECT_EQ(run.code, 0) << row.name << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find(std::string(row.tiles) + ", vsync off, verified: all 200 frames exact\n"),
                  std::string::npos)
            << row.name << ": " << run.out << run.err;
        EXPECT_EQ(run.trace.find("\"type\":\"verify\""), std::string::npos) << row.name;
        // The run saw what the check is about: the creature walking left and fireballs.
        EXPECT_NE(run.trace.find(",347,-1,"), std::string::npos) << row.name;
        EXPECT_NE(run.trace.find("\"fireball\":[1,"), std::string::npos) << row.name;
    }
}

// Each row plants one fault; the run must end with 3, name the first differing frame's step in
// the summary, and write the three images. Every frame that shows a wrong pixel differs: a probe
// drawn wrong in every scene frame makes 198 of them, a wrong tile-phase pixel left on screen all
// 200.
TEST_F(VerifyRunTest, EachPlantedBlitterFaultIsCaughtAndNamed) {
    const struct {
        const char* name;
        BlitFault fault;
        const char* first;  // the summary's step (a prefix of it)
        const char* also;   // another step the trace must name, or null
        unsigned long long differing;
    } rows[] = {
        {"mirror left-right ignored", BlitFault::MirrorLeftRightIgnored, "a fireball's keyed blit mirrored both ways",
         "the creature's mirrored keyed blit", 99},
        {"mirror up-down ignored", BlitFault::MirrorUpDownIgnored, "a fireball's keyed blit mirrored", nullptr, 33},
        {"source key ignored", BlitFault::SourceKeyIgnored, "the colour-key probe", "the creature's keyed blit", 198},
        {"key one bit off", BlitFault::KeyOneBitOff, "the colour-key probe", "the creature's keyed blit", 198},
        {"fill one step off in green", BlitFault::FillGreenOneStepOff, "the colour-key probe", nullptr, 198},
        {"tile copy one row off", BlitFault::TileCopyOneRowOff, "a tile copy", "the buffer's earlier content", 200},
        {"keyed BltFast opaque", BlitFault::KeyedBltFastOpaque, "the colour-key probe", "the creature's keyed blit",
         198},
    };
    for (const auto& row : rows) {
        platform::ddraw::PlantBlitFault(row.fault);
        const RunResult run = RunProgram(kFrames);
        platform::ddraw::PlantBlitFault(BlitFault::None);
        const auto [differing, frame, step] = FirstDifference(run.out);
        EXPECT_EQ(run.code, 3) << row.name << ": " << run.out << run.err;
        EXPECT_EQ(differing, row.differing) << row.name << ": " << run.out;
        EXPECT_EQ(step.rfind(row.first, 0), 0u) << row.name << ": " << run.out;
        EXPECT_NE(run.trace.find("{\"type\":\"verify\",\"n\":" + frame + ",\"step\":\"" + step), std::string::npos)
            << row.name;
        if (row.also != nullptr) {
            EXPECT_NE(run.trace.find(row.also), std::string::npos) << row.name;
        }
        for (const char* image : {"got", "expected", "differences"}) {
            const auto file = dir_ / ("verify-frame-" + frame + "-" + image + ".png");
            EXPECT_TRUE(std::filesystem::exists(file)) << row.name << ": " << file << "\n" << run.err;
        }
    }
}

// The counter's GetDC of the fifth frame meets a real loss: the text overlay restores everything
// (the flip chain comes back scrambled) and draws on. That frame can be compared on nothing, the
// next only on what it draws, and from then on every frame whole again - with no false alarm.
TEST_F(VerifyRunTest, ARestorationMidRunRaisesNoFalseAlarm) {
    // GetDC: three picture loads, then the third frame's text and the check's measure of it, the
    // fourth frame's text, then the fifth's.
    platform::ddraw::LoseAllSurfacesAt("GetDC", 7);
    const RunResult run = RunProgram(60);
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("verified: all 60 frames exact (2 compared only in part after a restoration)\n"),
              std::string::npos)
        << run.out << run.err;
}

}  // namespace
