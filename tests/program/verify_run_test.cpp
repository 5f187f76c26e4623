// --verify on the whole program, offscreen, in lockstep (the scene stepped once per frame, so
// every run draws the same frames however fast the machine is). A full cycle is exact and
// covers every kind of draw step; its per-frame CRCs are the same with and without vsync and equal
// the re-drawing's. Each fault planted in our own blitter or flip is caught and put down to the
// step it breaks; what was not read back or never drawn makes the verdict incomplete, never
// exact; expected differences are taken as such, and an expected one that did not happen fails.
#include <gtest/gtest.h>

#include <ddraw.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/run_end.h"
#include "ddraw/ddraw_control.h"
#include "frame_check.h"
#include "host/null/null_host_control.h"
#include "kernel/kernel_control.h"
#include "planted_faults.h"
#include "platform/options.h"
#include "runtime/run_process.h"

namespace {

using platform::planted::BlitFault;
using platform::planted::PlantBlitFault;

struct RunResult {
    int code = -1;
    std::string out, err, trace;
};

// The values of one field of every frame line of a trace, in order.
std::vector<std::string> FrameField(const std::string& trace, const std::string& field) {
    std::vector<std::string> values;
    const std::regex pattern("\"type\":\"frame\".*\"" + field + "\":\"([^\"]*)\"");
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, pattern)) values.push_back(match[1]);
    }
    return values;
}

// Ends a run still going at the deadline as a stop signal would, and a run that does not end even
// then (a main loop that no longer takes messages) by ending the test's process, so that a program
// that stops drawing fails its test within minutes instead of running into CTest's bound. Made
// before stderr is captured, to say why on the real one.
class Watchdog {
public:
    explicit Watchdog(std::chrono::steady_clock::time_point deadline)
        : stderr_(::dup(2)), thread_([this, deadline] {
              std::unique_lock lock(mutex_);
              const auto finished = [this] { return finished_; };
              if (ended_.wait_until(lock, deadline, finished)) return;
              platform::RequestStop();
              if (ended_.wait_for(lock, std::chrono::seconds(30), finished)) return;
              constexpr char kSay[] = "the run did not end 30 s after a stop was asked for; ending the test\n";
              [[maybe_unused]] const auto said = ::write(stderr_, kSay, sizeof kSay - 1);
              std::_Exit(1);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        ended_.notify_all();
        thread_.join();
        ::close(stderr_);
    }

private:
    int stderr_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::thread thread_;
};

class VerifyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = std::filesystem::temp_directory_path() / ("vh-verify-" + std::to_string(::getpid()) + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        platform::ddraw::ResetForTesting();
        // The counter's text is left out of the comparison, so its width decides which wrong pixels
        // are seen: a stopped clock keeps it "66 100" however slow the machine runs.
        platform::testing::SetTickCount(1000);
    }
    void TearDown() override {
        platform::ddraw::ResetForTesting();
        PlantBlitFault(BlitFault::None);
        platform::testing::SetTickCount(std::nullopt);
        platform::SetOptions(platform::Options{});
        std::filesystem::remove_all(dir_);
    }
    // The program offscreen with --verify and a trace, plus `args`.
    RunResult Run(std::vector<std::string> args) {
        platform::testing::UseNullHost();
        const std::string trace = (dir_ / "t.jsonl").string();
        args.insert(args.begin(), {"vornhollow", "--offscreen", "--verify", "--trace", trace});
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        RunResult run;
        {
            // The test's runs together take under a minute on a sanitizer build.
            const Watchdog watchdog(started_ + std::chrono::seconds(150));
            ::testing::internal::CaptureStdout();
            ::testing::internal::CaptureStderr();
            run.code = platform::runtime::RunProcess(
                static_cast<int>(argv.size()), argv.data(),
                {&WinMain, &diagnostics::StartFrameCheck, diagnostics::LockstepCycleFrames()});
        }
        run.out = ::testing::internal::GetCapturedStdout();
        run.err = ::testing::internal::GetCapturedStderr();
        std::stringstream text;
        text << std::ifstream(trace).rdbuf();
        run.trace = text.str();
        return run;
    }
    std::string Expect(const std::string& lines) {
        const std::string path = (dir_ / "expect").string();
        std::ofstream(path) << lines;
        return path;
    }
    std::filesystem::path dir_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

TEST_F(VerifyRunTest, ALockstepCycleIsExactCoversEveryKindAndHasTheSameFramesWithAndWithoutVsync) {
    EXPECT_EQ(diagnostics::LockstepCycleFrames(), 297u);
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* tiles;
    } rows[] = {{"5-6-5", {}, "100 tiles, 5-6-5"},
                {"5-5-5", {"--pixel-format", "555"}, "100 tiles, 5-5-5"},
                {"24 tiles", {"--vram-kb", "1600"}, "24 tiles, 5-6-5"},
                {"no tiles", {"--vram-kb", "1410"}, "0 tiles, 5-6-5"}};
    for (const auto& row : rows) {
        std::vector<std::string> crcs[2];
        for (bool vsync : {false, true}) {
            std::vector<std::string> args = row.args;
            args.push_back("--lockstep");
            if (!vsync) args.push_back("--no-vsync");
            const RunResult run = Run(args);
            EXPECT_EQ(run.code, 0) << row.name << "\n" << run.out << run.err;
            EXPECT_NE(run.out.find(std::string(row.tiles) + (vsync ? ", vsync on" : ", vsync off") +
                                   ", lockstep (one cycle: 297 frames), verified: all 297 frames exact; screen: 297 "
                                   "frames checked on the primary surface"),
                      std::string::npos)
                << row.name << ": " << run.out << run.err;
            EXPECT_EQ(run.trace.find("\"type\":\"verify\""), std::string::npos) << row.name;
            crcs[vsync] = FrameField(run.trace, "crc");
            EXPECT_EQ(crcs[vsync].size(), 297u) << row.name;
            EXPECT_EQ(crcs[vsync], FrameField(run.trace, "expected_crc")) << row.name;
        }
        EXPECT_EQ(crcs[0], crcs[1]) << row.name;
    }
}

// Each row plants one fault; the run must end with 3, name the first differing frame's step in
// the summary, and write the images. Every frame that shows a wrong pixel differs: a probe drawn
// wrong in every scene frame makes 198 of 200, a wrong tile-phase pixel left on screen all 200.
TEST_F(VerifyRunTest, EachPlantedFaultIsCaughtAndNamed) {
    const struct {
        const char* name;
        BlitFault fault;
        const char* first;  // the summary's step (a prefix of it)
        const char* also;   // another step the trace must name, or null
        unsigned long long differing;
    } rows[] = {
        {"mirror left-right ignored", BlitFault::MirrorLeftRightIgnored, "a fireball's keyed blit mirrored both ways",
         "the creature's mirrored keyed blit", 101},
        {"mirror up-down ignored", BlitFault::MirrorUpDownIgnored, "a fireball's keyed blit mirrored", nullptr, 33},
        {"source key ignored", BlitFault::SourceKeyIgnored, "the colour-key probe", "the creature's keyed blit", 198},
        {"key one bit off", BlitFault::KeyOneBitOff, "the colour-key probe", "the creature's keyed blit", 198},
        {"fill one step off in green", BlitFault::FillGreenOneStepOff, "the colour-key probe", nullptr, 198},
        {"tile copy one row off", BlitFault::TileCopyOneRowOff, "a tile copy", "a tile copy, left over from an earlier frame", 200},
        {"keyed BltFast opaque", BlitFault::KeyedBltFastOpaque, "the colour-key probe", "the creature's keyed blit",
         198},
        {"flip stale", BlitFault::FlipStale, "the screen", nullptr, 200},
    };
    for (const auto& row : rows) {
        PlantBlitFault(row.fault);
        const RunResult run = Run({"--lockstep", "--no-vsync", "--frames", "200"});
        PlantBlitFault(BlitFault::None);
        std::smatch found;
        const std::regex verdict("verified: (\\d+) of 200 frames differ \\(first: frame (\\d+), ([^,]+),");
        ASSERT_TRUE(std::regex_search(run.out, found, verdict)) << row.name << ": " << run.out << run.err;
        EXPECT_EQ(run.code, 3) << row.name;
        EXPECT_EQ(std::stoull(found[1]), row.differing) << row.name << ": " << run.out;
        EXPECT_EQ(found[3].str().rfind(row.first, 0), 0u) << row.name << ": " << run.out;
        EXPECT_NE(run.trace.find("{\"type\":\"verify\",\"n\":" + found[2].str() + ",\"step\":\"" + found[3].str()),
                  std::string::npos)
            << row.name;
        if (row.also != nullptr) {
            EXPECT_NE(run.trace.find(row.also), std::string::npos) << row.name;
        }
        const std::string stem = row.fault == BlitFault::FlipStale ? "verify-screen-" : "verify-frame-";
        for (const char* image : {"got", "expected", "differences", "crop"}) {
            const auto file = dir_ / (stem + found[2].str() + "-" + image + ".png");
            EXPECT_TRUE(std::filesystem::exists(file)) << row.name << ": " << file << "\n" << run.err;
        }
    }
}

// What was never drawn, or not read back, leaves the verdict incomplete (exit 4) and says why.
TEST_F(VerifyRunTest, WhatWasNotDrawnOrNotReadBackIsNeverExact) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* lockOn;  // the surfaces whose Lock fails, or null
        const char* says;
    } rows[] = {
        // A slow build may see a fireball fly in those frames, but not the turn some 10 s in.
        {"the timer's pace, too short to turn", {"--no-vsync", "--frames", "300"}, nullptr,
         "verified: incomplete: 300 of 300 frames compared, exact, never drawn: the creature's mirrored keyed blit"},
        {"ended early", {"--lockstep", "--no-vsync", "--frames", "20"}, nullptr,
         "never drawn: the creature's mirrored keyed blit, an erase, both fireball blits;"},
        {"back buffer", {"--lockstep", "--no-vsync"}, "back buffer",
         "verified: incomplete: none of 297 frames compared, 297 frames not read back (Lock failed: DDERR_GENERIC (0x80004005))"},
        {"primary", {"--lockstep", "--no-vsync"}, "primary",
         "verified: incomplete: 297 of 297 frames compared, exact; screen: not read back (Lock failed: DDERR_GENERIC (0x80004005))"},
        {"a picture", {"--lockstep", "--no-vsync"}, "picture",
         "pictures not checked: Background (Lock failed: DDERR_GENERIC (0x80004005))"},
    };
    for (const auto& row : rows) {
        platform::ddraw::ResetForTesting();
        if (row.lockOn != nullptr) {
            const std::string on = row.lockOn;
            const DWORD caps = on == "primary"       ? DDSCAPS_PRIMARYSURFACE
                               : on == "back buffer" ? DDSCAPS_BACKBUFFER
                                                     : DDSCAPS_OFFSCREENPLAIN;
            platform::ddraw::InjectFaultOn("Lock", caps, 1, DDERR_GENERIC, on == "picture" ? 1 : 1000000);
        }
        const RunResult run = Run(row.args);
        EXPECT_EQ(run.code, 4) << row.name << ": " << run.out << run.err;
        EXPECT_NE(run.out.find(row.says), std::string::npos) << row.name << ": " << run.out;
    }
}

// A maintainer's baseline: the differences it lists are taken as expected; one that stays exact
// fails the run, as does an unknown item.
TEST_F(VerifyRunTest, ExpectedDifferencesAreTakenAndOnesThatDidNotHappenFail) {
    PlantBlitFault(BlitFault::MirrorUpDownIgnored);
    RunResult run = Run({"--lockstep", "--no-vsync", "--expect",
                         Expect("# our mirror up-down is broken\nfireball-up-down\nfireball-both-ways  # too\n")});
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("verified: as expected: 66 of 297 frames differ"), std::string::npos) << run.out;

    run = Run({"--lockstep", "--no-vsync", "--expect", Expect("fireball-up-down\nfireball-both-ways\nerase\n")});
    EXPECT_EQ(run.code, 3) << run.out << run.err;
    EXPECT_NE(run.out.find("unexpectedly exact: erase"), std::string::npos) << run.out;

    PlantBlitFault(BlitFault::None);
    run = Run({"--lockstep", "--no-vsync", "--expect", Expect("erase\n\nfireball-sideways\n")});
    EXPECT_EQ(run.code, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("expect:3: 'fireball-sideways' is not a kind of draw step"), std::string::npos) << run.err;
}

// The counter's GetDC of the fifth frame meets a real loss: the text overlay restores everything
// (the flip chain comes back scrambled) and draws on. That frame can be compared on nothing, the
// next only on what it draws, and from then on every frame whole again - with no false alarm, and
// the frame that could not be compared said as such.
TEST_F(VerifyRunTest, ARestorationMidRunRaisesNoFalseAlarm) {
    // GetDC: three picture loads, then the third frame's text and the check's measure of it, the
    // fourth frame's text, then the fifth's.
    platform::ddraw::LoseAllSurfacesAt("GetDC", 7);
    const RunResult run = Run({"--lockstep", "--no-vsync"});
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("verified: 296 of 297 frames compared, exact (1 compared only in part after a restoration), 1 frames not "
                            "compared (a restoration during the frame left nothing known to compare with)"),
              std::string::npos)
        << run.out << run.err;
}

}  // namespace
