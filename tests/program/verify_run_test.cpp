// --verify on the whole program, offscreen, in lockstep (every run draws the same frames): a full cycle is exact,
// covers every kind and has the same CRCs with and without vsync; planted faults are caught and named; what was not
// read back or never drawn leaves it incomplete; expected differences are taken, and ones that did not happen fail.
#include <gtest/gtest.h>

#include <ddraw.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
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
#include "tests/test_files.h"

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
    std::istringstream lines(trace);
    const std::string key = "\"" + field + "\":\"";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(key), start = at + key.size();
        if (line.starts_with("{\"type\":\"frame\"") && at != std::string::npos)
            values.push_back(line.substr(start, line.find('"', start) - start));
    }
    return values;
}

// Stops a run still going at the deadline as a signal would, and ends the test's process when even that does not end
// it. Made before stderr is captured, to say why on the real one.
class Watchdog {
public:
    explicit Watchdog(std::chrono::steady_clock::time_point deadline)
        : stderr_(::dup(2)), thread_([this, deadline, ended = ended_.get_future()] {
              if (ended.wait_until(deadline) == std::future_status::ready) return;
              platform::RequestStop();
              if (ended.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return;
              constexpr char kSay[] = "the run did not end 30 s after a stop was asked for; ending the test\n";
              [[maybe_unused]] const auto said = ::write(stderr_, kSay, sizeof kSay - 1);
              std::_Exit(1);
          }) {}
    ~Watchdog() {
        ended_.set_value();
        thread_.join();
        ::close(stderr_);
    }

private:
    int stderr_;
    std::promise<void> ended_;
    std::thread thread_;
};

class VerifyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ddraw::ResetForTesting();
        // The counter's text is left out of the comparison, so its width decides which wrong pixels are seen: a stopped
        // clock keeps it "66 100" however slow the machine runs.
        platform::testing::SetTickCount(1000);
    }
    void TearDown() override {
        platform::ddraw::ResetForTesting();
        PlantBlitFault(BlitFault::None);
        platform::testing::SetTickCount(std::nullopt);
        platform::SetOptions(platform::Options{});
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
        run.trace = test_files::ReadFile(trace);
        return run;
    }
    std::string Expect(const std::string& lines) {
        const std::string path = (dir_ / "expect").string();
        std::ofstream(path) << lines;
        return path;
    }
    const test_files::TempDir temp_;
    const std::filesystem::path& dir_ = temp_.path;
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

// Each row plants one fault: exit 3, the first differing frame's step named, the images written. A probe drawn wrong in
// every scene frame makes 198 of 200 differ, a wrong tile-phase pixel left on screen all 200.
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
        {"tile copy one row off", BlitFault::TileCopyOneRowOff, "a tile copy",
         "a tile copy, left over from an earlier frame", 200},
        {"keyed BltFast opaque", BlitFault::KeyedBltFastOpaque, "the colour-key probe", "the creature's keyed blit",
         198},
        {"flip stale", BlitFault::FlipStale, "the screen", nullptr, 200},
    };
    for (const auto& row : rows) {
        PlantBlitFault(row.fault);
        const RunResult run = Run({"--lockstep", "--no-vsync", "--frames", "200"});
        PlantBlitFault(BlitFault::None);
        // "verified: D of 200 frames differ (first: frame N, STEP, ..."
        const std::size_t at = run.out.find("verified: ");
        unsigned long long differing = 0, frame = 0;
        int end = 0;
        ASSERT_TRUE(at != std::string::npos &&
                    std::sscanf(run.out.c_str() + at, "verified: %llu of 200 frames differ (first: frame %llu, %n",
                                &differing, &frame, &end) == 2 &&
                    end > 0)
            << row.name << ": " << run.out << run.err;
        const std::string n = std::to_string(frame),
                          step = run.out.substr(at + end, run.out.find(',', at + end) - at - end);
        EXPECT_EQ(run.code, 3) << row.name;
        EXPECT_EQ(differing, row.differing) << row.name << ": " << run.out;
        EXPECT_TRUE(step.starts_with(row.first)) << row.name << ": " << run.out;
        EXPECT_NE(run.trace.find("{\"type\":\"verify\",\"n\":" + n + ",\"step\":\"" + step), std::string::npos)
            << row.name;
        if (row.also != nullptr) {
            EXPECT_NE(run.trace.find(row.also), std::string::npos) << row.name;
        }
        const std::string stem = row.fault == BlitFault::FlipStale ? "verify-screen-" : "verify-frame-";
        for (const char* image : {"got", "expected", "differences", "crop"}) {
            const auto file = dir_ / (stem + n + "-" + image + ".png");
            EXPECT_TRUE(std::filesystem::exists(file)) << row.name << ": " << file << "\n" << run.err;
        }
    }
}

// What was never drawn, or not read back, leaves the verdict incomplete (exit 4) and says why.
TEST_F(VerifyRunTest, WhatWasNotDrawnOrNotReadBackIsNeverExact) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        DWORD lockOn;  // the surfaces whose Lock fails (a picture's once, a buffer's always), or 0
        const char* says;
    } rows[] = {
        // clang-format off
        // A slow build may see a fireball fly in those frames, but not the turn some 10 s in.
        {"the timer's pace, too short to turn", {"--no-vsync", "--frames", "300"}, 0,
         "verified: incomplete: 300 of 300 frames compared, exact, never drawn: the creature's mirrored keyed blit"},
        {"ended early", {"--lockstep", "--no-vsync", "--frames", "20"}, 0,
         "never drawn: the creature's mirrored keyed blit, an erase, both fireball blits;"},
        {"back buffer", {"--lockstep", "--no-vsync"}, DDSCAPS_BACKBUFFER, "verified: incomplete: none of 297 frames "
         "compared, 297 frames not read back (Lock failed: DDERR_GENERIC (0x80004005))"},
        {"primary", {"--lockstep", "--no-vsync"}, DDSCAPS_PRIMARYSURFACE, "verified: incomplete: 297 of 297 frames "
         "compared, exact; screen: not read back (Lock failed: DDERR_GENERIC (0x80004005))"},
        {"a picture", {"--lockstep", "--no-vsync"}, DDSCAPS_OFFSCREENPLAIN,
         "pictures not checked: Background (Lock failed: DDERR_GENERIC (0x80004005))"},
        // clang-format on
    };
    for (const auto& row : rows) {
        platform::ddraw::ResetForTesting();
        if (row.lockOn != 0)
            platform::ddraw::InjectFaultOn("Lock", row.lockOn, 1, DDERR_GENERIC,
                                           row.lockOn == DDSCAPS_OFFSCREENPLAIN ? 1 : 1000000);
        const RunResult run = Run(row.args);
        EXPECT_EQ(run.code, 4) << row.name << ": " << run.out << run.err;
        EXPECT_NE(run.out.find(row.says), std::string::npos) << row.name << ": " << run.out;
    }
}

// A baseline's differences are taken as expected; one that stays exact fails the run, as does an unknown item.
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

// The counter's GetDC of the fifth frame meets a real loss and everything is restored: that frame is compared on
// nothing, the next in part, then every frame whole, with no false alarm.
TEST_F(VerifyRunTest, ARestorationMidRunRaisesNoFalseAlarm) {
    // GetDC: three picture loads, then the text of frames 3 (and the check's measure of it), 4 and 5.
    platform::ddraw::LoseAllSurfacesAt("GetDC", 7);
    const RunResult run = Run({"--lockstep", "--no-vsync"});
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(
        run.out.find(
            "verified: 296 of 297 frames compared, exact (1 compared only in part after a restoration), 1 frames not "
            "compared (a restoration during the frame left nothing known to compare with)"),
        std::string::npos)
        << run.out << run.err;
}

}  // namespace
