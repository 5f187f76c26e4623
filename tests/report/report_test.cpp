// The report writer: pacing numbers, JUnit counts per kind of run (checked by python3's XML parser), the run's own
// case, images referred to or carried, the report of a run not ended, no half-written file, no link followed.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "../test_files.h"
#include "report/image_source.h"
#include "report/pacing_stats.h"
#include "report/report_documents.h"
#include "report/text_format.h"
#include "sample_report.h"

namespace {

namespace fs = std::filesystem;
using diagnostics::ItemState;
using test_files::ReadFile, test_files::TempDir;

report::Pacing FromIntervals(const std::vector<double>& intervals, bool vsync = true, double refreshMs = 0) {
    report::Pacing pacing{vsync, refreshMs, {{0}}};
    for (double interval : intervals) pacing.frames.push_back({pacing.frames.back().presentMs + interval});
    return pacing;
}

TEST(Pacing, LowsPercentilesAndMean) {
    std::vector<double> oneToTwoHundred;
    for (int i = 1; i <= 200; ++i) oneToTwoHundred.push_back(i);
    std::vector<double> steadyWithOneStall(100, 10.0);
    steadyWithOneStall.push_back(50);
    const struct {
        std::vector<double> intervals;
        double meanFps, low1, low01, p50, p99, max;
    } rows[] = {
        // The slowest 2 (1% of 200) average 199.5 ms; 0.1% is less than one interval, so one is used.
        {oneToTwoHundred, 1000.0 * 200 / 20100, 1000 / 199.5, 1000 / 200.0, 100, 198, 200},
        {steadyWithOneStall, 1000.0 * 101 / 1050, 20, 20, 10, 10, 50},
        {{}, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        const report::PacingStats stats = report::ComputePacing(FromIntervals(row.intervals));
        SCOPED_TRACE(row.intervals.size());
        EXPECT_NEAR(stats.meanFps, row.meanFps, 1e-9);
        EXPECT_NEAR(stats.low1PercentFps, row.low1, 1e-9);
        EXPECT_NEAR(stats.low01PercentFps, row.low01, 1e-9);
        EXPECT_EQ(std::tuple(stats.frames, stats.p50Ms, stats.p99Ms, stats.maxMs),
                  std::tuple(row.intervals.size() + 1, row.p50, row.p99, row.max));
    }
}

TEST(Pacing, MissedBlanksCountOnlyKnownNeighbours) {
    const struct {
        bool vsync;
        std::vector<std::int64_t> blanks;
        bool known;
        std::uint64_t intervals, missed;
        double framesPerBlank;
    } rows[] = {
        {true, {0, 1, 2, 4, 5, 5, 8}, true, 6, 2, 7.0 / 6},  // 2->4 and 5->8 are late; two frames at blank 5
        {true, {0, 1, -1, 5}, true, 1, 0, 1},                // the jump around the unknown blank is not judged
        {true, {-1, -1}, false, 0, 0, 0},
        {false, {0, 3, 6}, false, 0, 0, 0},  // without vsync no frame waits for a blank
    };
    for (const auto& row : rows) {
        report::Pacing pacing{row.vsync, 16.7, {}};
        for (std::size_t i = 0; i < row.blanks.size(); ++i) pacing.frames.push_back({16.7 * i, -1, row.blanks[i]});
        const report::PacingStats stats = report::ComputePacing(pacing);
        SCOPED_TRACE(row.blanks.size());
        EXPECT_EQ(std::tuple(stats.blanksKnown, stats.blankIntervals, stats.missedBlanks),
                  std::tuple(row.known, row.intervals, row.missed));
        EXPECT_NEAR(stats.framesPerBlank, row.framesPerBlank, 1e-12);
    }
}

TEST(Pacing, HistogramBuckets) {
    const auto counts = [](const report::PacingStats& stats) {
        std::vector<std::uint64_t> out;
        for (const auto& bucket : stats.histogram) out.push_back(bucket.count);
        return out;
    };
    // In refresh periods: at most 1.5 on time, at most 2.5 one blank late, beyond that two or more.
    const report::PacingStats periods = report::ComputePacing(FromIntervals({10, 15, 15.1, 25, 25.1, 100}, true, 10));
    EXPECT_TRUE(periods.histogramInPeriods);
    EXPECT_EQ(counts(periods), (std::vector<std::uint64_t>{2, 2, 2}));
    // 1 ms buckets without vsync, the last one open-ended.
    const report::PacingStats ms = report::ComputePacing(FromIntervals({0.5, 1.0, 1.9, 3.2, 100}, false, 10));
    ASSERT_EQ(ms.histogram.size(), std::size_t(report::kMaxMillisecondBuckets));
    EXPECT_EQ(std::tuple(ms.histogram.back().label, ms.histogram.back().count, counts(ms)[1]),
              std::tuple(">= 39 ms", 1u, 2u));
    EXPECT_EQ(counts(report::ComputePacing(FromIntervals({0.5, 2.5}, false))), (std::vector<std::uint64_t>{1, 0, 1}));
}

TEST(Report, ChannelsDecodeInTheSurfacesOwnBits) {
    const struct {
        std::uint32_t pixel, mask, value, max;
    } rows[] = {{0xF800, 0xF800, 31, 31}, {0x07E0, 0x07E0, 63, 63}, {0x0200, 0x03E0, 16, 31}, {0x7C00, 0x001F, 0, 31}};
    for (const auto& row : rows) {
        const report::Channel channel = report::DecodeChannel(row.pixel, row.mask);
        EXPECT_EQ(std::tuple(channel.value, channel.max), std::tuple(row.value, row.max)) << std::hex << row.pixel;
    }
}

std::string CheckFiles(const fs::path& dir) {
    const std::string command = "python3 " VH_REPORT_TEST_DIR "/check_report_files.py '" + dir.string() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
    return out;
}

// Each kind of run and its counts as python3's parser finds them: tests failures errors skipped.
TEST(Report, JunitCountsAgreeWithTestCasesForEachKindOfRun) {
    using Change = std::tuple<std::string, ItemState, const char*>;  // an item's new state and why
    const ItemState exact = ItemState::Exact, differs = ItemState::Differs;
    const struct {
        const char *name, *counts;
        std::vector<Change> items;
        void (*change)(report::RunReport&) = [](report::RunReport&) {};
    } rows[] = {
        // clang-format off
        {"exact", "20 0 0 0\n", {{"colour-key-probe", exact, ""}}},
        {"incomplete", "20 1 0 2\n", {{"colour-key-probe", exact, ""},
          {"erase", ItemState::NotCovered, "never drawn <in> 300 frames & \x01 \xff"},
          {"BackgroundStrip", ItemState::NotRequired, ""}, {"screen", ItemState::PrimaryOnly, "offscreen"}}},
        {"differs", "20 2 0 0\n", {{"Background", differs, ""}}},
        {"stray writes and a wrong counter", "20 3 0 0\n", {{"stray-write", differs, ""}, {"counter", differs, ""}}},
        {"differs, one frame in 20 a blank late", "20 2 0 0\n", {}, [](report::RunReport& r) {
             for (std::size_t i = 0; i < r.pacing.frames.size(); ++i) r.pacing.frames[i].blank += std::int64_t(i / 20);
         }},
        {"expected", "20 1 0 0\n",
         {{"colour-key-probe", ItemState::Expected, ""}, {"erase", ItemState::UnexpectedlyExact, ""}},
         [](report::RunReport& r) { r.expected = {"colour-key-probe", "erase"}; }},
        {"fatal error, not verified", "20 0 1 19\n", {}, [](report::RunReport& r) {
             r.verified = false;
             r.fatalError = "Out of Video Memory. <\"'&>";
             r.pacing.frames.clear();
         }},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        report::RunReport r = report_test::SampleReport((dir.path / "out").string());
        std::vector<diagnostics::ItemResult*> items = {&r.verdict.screen, &r.verdict.strays, &r.verdict.counter};
        for (auto* list : {&r.verdict.kinds, &r.verdict.pictures})
            for (auto& item : *list) items.push_back(&item);
        for (const auto& [id, state, why] : row.items)
            for (auto* item : items)
                if (item->id == id) item->state = state, item->why = why;
        row.change(r);
        std::string error;
        ASSERT_TRUE(report::WriteReport((dir.path / "out").string(), r, error)) << error;
        EXPECT_EQ(CheckFiles(dir.path / "out"), row.counts);
    }
}

TEST(Report, PageRefersToImagesInItsFolderAndCarriesOthers) {
    TempDir dir;
    fs::create_directories(dir.path / "out" / "sub");
    std::ofstream(dir.path / "out" / "sub" / "a b.png") << "x";
    std::ofstream(dir.path / "outside.bin") << "foo";
    const std::string out = (dir.path / "out").string();
    const report::ImageSource inside = report::ImageSourceFor((dir.path / "out/sub/a b.png").string(), out);
    EXPECT_EQ(inside.src, "sub/a%20b.png");
    const report::ImageSource outside = report::ImageSourceFor((dir.path / "out/../outside.bin").string(), out);
    EXPECT_EQ(outside.src, "data:application/octet-stream;base64,Zm9v");
    EXPECT_FALSE(report::ImageSourceFor((dir.path / "out/missing.png").string(), out).written);
    EXPECT_EQ(report::PathInFolder((dir.path / "out/sub/a b.png").string(), out), "sub/a b.png");
    EXPECT_EQ(report::PathInFolder((dir.path / "outside.bin").string(), out), (dir.path / "outside.bin").string());
    EXPECT_EQ(report::Base64("fo") + report::Base64("f"), "Zm8=Zg==");
}

// A failed write (EFBIG) names the file and leaves the earlier report whole, no temporary file; a file is no folder.
TEST(Report, FailedWriteLeavesNothingHalfWritten) {
    TempDir dir;
    report::RunReport r = report_test::SampleReport((dir.path / "images").string());
    std::string error;

    const fs::path file = dir.path / "a-file";
    std::ofstream(file) << "not a folder";
    EXPECT_FALSE(report::WriteReport(file.string(), r, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;

    const fs::path out = dir.path / "out";
    ASSERT_TRUE(report::WriteReport(out.string(), r, error)) << error;
    const std::string earlier = ReadFile(out / "report.json");
    r.hostname = "another";
    rlimit limit{}, small{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    small = {1024, limit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // past the limit write(2) fails with EFBIG
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = report::WriteReport(out.string(), r, error);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("report.json: " + std::string(std::strerror(EFBIG))), std::string::npos) << error;
    EXPECT_EQ(ReadFile(out / "report.json"), earlier);
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
}

// Links planted at the final and the old temporary names are never followed: the final names become files of their own.
TEST(Report, LinksInTheFolderAreNeverFollowed) {
    TempDir dir;
    const fs::path out = dir.path / "out", victim = dir.path / "victim";
    fs::create_directories(out);
    std::ofstream(victim) << "victim";
    const char* temporary[] = {"report.json.partial", "report.html.partial", "report.xml.partial"};
    for (const char* name : temporary) fs::create_symlink(victim, out / name);
    fs::create_symlink(victim, out / "report.xml");
    fs::create_symlink(dir.path / "missing", out / "report.json");  // dangling: not made through either
    std::string error;
    const report::RunReport r = report_test::SampleReport((dir.path / "images").string());
    for (const bool finished : {false, true}) {
        ASSERT_TRUE(finished ? report::WriteReport(out.string(), r, error)
                             : report::WriteUnfinishedReport(out.string(), r, error))
            << error;
        EXPECT_EQ(ReadFile(victim), "victim");
        EXPECT_FALSE(fs::exists(dir.path / "missing"));
        for (const char* name : {"report.json", "report.xml", "report.html"})
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / name))) << name;
        for (const char* name : temporary) EXPECT_TRUE(fs::is_symlink(fs::symlink_status(out / name))) << name;
    }
}

// Written before the first frame: one test case, an error that the run did not end, "finished": false until it ends.
TEST(Report, UnfinishedReportFailsUntilTheRunEnds) {
    TempDir dir;
    report::RunReport r = report_test::SampleReport((dir.path / "images").string());
    std::string error;
    ASSERT_TRUE(report::WriteUnfinishedReport(dir.path.string(), r, error)) << error;
    EXPECT_EQ(CheckFiles(dir.path), "1 0 1 0\n");
    EXPECT_NE(
        ReadFile(dir.path / "report.xml")
            .find("<error type=\"unfinished\" message=\"the run did not end: crashed, killed or still running\">"),
        std::string::npos);
    EXPECT_NE(ReadFile(dir.path / "report.json").find("\"finished\": false"), std::string::npos);
    EXPECT_NE(ReadFile(dir.path / "report.html").find("the run did not end"), std::string::npos);
    EXPECT_NE(ReadFile(dir.path / "report.json").find(r.commandLine), std::string::npos);
    ASSERT_TRUE(report::WriteReport(dir.path.string(), r, error)) << error;
    EXPECT_NE(ReadFile(dir.path / "report.json").find("\"finished\": true"), std::string::npos);
}

// The run's test case is an error for an exit code other than 0, 3, 4 (with the end's reason) and for a fatal error.
TEST(Report, RunCaseIsAnErrorForAFailingEnd) {
    const struct {
        int code;
        const char *endReason, *fatalError, *error;  // error: the run case's message; null: it passes
    } rows[] = {
        {0, "", "", nullptr},
        {3, "", "", nullptr},
        {4, "", "", nullptr},
        {1, "an output was lost: cannot write the screenshot s.png: No such file or directory", "",
         "an output was lost: cannot write the screenshot s.png: No such file or directory"},
        {1, "the display went away", "", "the display went away"},
        {1, "", "Out of Video Memory.", "Out of Video Memory."},
        {1, "", "", "the run ended with exit code 1"},
        {2, "--expect: e:3: 'x' is not a kind of draw step", "", "--expect: e:3: 'x' is not a kind of draw step"},
        {0, "", "Error!", "Error!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        report::RunReport r;
        r.exitCode = row.code, r.endReason = row.endReason, r.fatalError = row.fatalError;
        const std::string xml = report::JunitDocument(r, report::ComputePacing(r.pacing));
        const std::size_t run = xml.find("name=\"run\"");
        ASSERT_NE(run, std::string::npos);
        const std::string runCase = xml.substr(run, xml.find("<testcase", run) - run);
        EXPECT_NE(xml.find(row.error ? "errors=\"1\"" : "errors=\"0\""), std::string::npos);
        // Without an error no <error> at all, with one its message.
        const std::string sought = row.error ? "message=\"" + report::Escaped(row.error) + "\"" : "<error";
        EXPECT_EQ(runCase.find(sought) != std::string::npos, row.error != nullptr) << runCase;
    }
}

}  // namespace
