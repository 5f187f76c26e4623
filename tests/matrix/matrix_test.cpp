// The matrix's reader and cells: every kind of folder a CI run can leave becomes a column with its state and reason;
// where lockstep runs part; column labels; what changed since a baseline, also through matrix.json.
#include <gtest/gtest.h>

#include "../report/sample_report.h"
#include "../test_files.h"
#include "matrix/changes.h"
#include "matrix/matrix_json.h"
#include "report/report_documents.h"

namespace {

namespace fs = std::filesystem;
using matrix::Grade;
using matrix::ReportState;
using test_files::ReadFile, test_files::TempDir;

// The sample run's report as the program writes it, with frame CRCs, in `dir`.
std::string WriteSample(const fs::path& dir, std::vector<std::int64_t> crcs = {7, 8, 9}) {
    report::RunReport run = report_test::SampleReport(dir.string());
    run.environment.push_back({"display.masks", "red 0xF800, green 0x07E0, blue 0x001F"});
    run.frameCrcs = std::move(crcs);
    std::string error;
    EXPECT_TRUE(report::WriteReport(dir.string(), run, error)) << error;
    return ReadFile(dir / "report.json");
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

TEST(MatrixReader, EachKindOfFolderIsAColumnWithItsStateAndReason) {
    TempDir temp;
    const std::string whole = WriteSample(temp.path / "whole");
    std::string later = whole, wrongType = whole;
    Replace(later, "\"schemaVersion\": 1", "\"schemaVersion\": 2");
    Replace(wrongType, "\"exitCode\": 3", "\"exitCode\": \"three\"");
    report::RunReport started;
    started.version = "1.0.0";
    std::string error;
    ASSERT_TRUE(report::WriteUnfinishedReport((temp.path / "unfinished").string(), started, error)) << error;
    fs::create_directories(temp.path / "unrelated");
    std::ofstream(temp.path / "unrelated" / "notes.txt") << "not a report";
    const struct {
        const char* folder;
        std::string json;  // empty: leave the folder as it is
        ReportState state;
        const char* reason;
    } cases[] = {
        {"whole", "", ReportState::Finished, ""},
        {"truncated", whole.substr(0, whole.size() / 2), ReportState::Unreadable, "parse error"},
        {"later", later, ReportState::Unreadable, "later layout (schemaVersion 2"},
        {"wrong-type", wrongType, ReportState::Unreadable, "exitCode is missing or not a whole number"},
        {"not-a-report", "{\"hello\": [1, 2]}", ReportState::Unreadable, "version is missing"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10), ReportState::Unreadable, "parse error"},
        {"unfinished", "", ReportState::DidNotEnd, report::kUnfinishedMessage},
        {"unrelated", "", ReportState::NoReport, "has no report.json"},
        {"missing", "", ReportState::NoReport, "does not exist"},
    };
    std::vector<matrix::ReadReport> reports;
    for (const auto& c : cases) {
        if (!c.json.empty()) {
            fs::create_directories(temp.path / c.folder);
            std::ofstream(temp.path / c.folder / "report.json", std::ios::binary) << c.json;
        }
        reports.push_back(matrix::ReadReportFolder((temp.path / c.folder).string()));
        EXPECT_EQ(reports.back().state, c.state) << c.folder << ": " << reports.back().reason;
        EXPECT_NE(reports.back().reason.find(c.reason), std::string::npos) << c.folder << ": " << reports.back().reason;
    }

    // The whole report reads back as written.
    const report::RunReport& run = reports[0].run;
    EXPECT_EQ(std::tuple(run.exitCode, run.verdict.kinds.size(), run.verdict.kinds[4].state, run.verdict.first.frame,
                         run.verdict.window.notRead, run.frameCrcs, reports[0].pacing.blanksKnown,
                         reports[0].pacing.missedBlanks),
              std::tuple(3, std::size_t(diagnostics::kDrawKinds), diagnostics::ItemState::Differs, 42u, 3u,
                         std::vector<std::int64_t>{7, 8, 9}, true, 2u));

    // Each column's verdict and exit code say its state; a column without a finished report says nothing on the other
    // rows, and none of it is a pass.
    const matrix::Matrix m = matrix::BuildMatrix(reports, 0);
    ASSERT_EQ(m.columns.size(), std::size(cases));
    for (std::size_t c = 1; c < std::size(cases); ++c)  // all but the first, the whole report
        for (const matrix::Row& row : m.rows) {
            ASSERT_NE(cases[c].state, ReportState::Finished);
            const matrix::Cell& cell = row.cells[c];
            if (row.id == "verdict" || row.id == "end.exit-code")
                EXPECT_TRUE(cell.state == matrix::ReportStateId(cases[c].state) && cell.grade == Grade::Fail)
                    << cases[c].folder << " " << row.id << ": " << cell.state;
            else
                EXPECT_NE(cell.grade, Grade::Pass) << cases[c].folder << " " << row.id;
        }
    const auto cell = [&](const char* id, std::size_t column) {
        for (const matrix::Row& row : m.rows)
            if (row.id == id) return row.cells[column];
        ADD_FAILURE() << "no row " << id;
        return matrix::Cell{};
    };
    EXPECT_EQ(cell("verdict", 0).state, "differs");
    EXPECT_EQ(cell("kind.colour-key-probe", 0).grade, Grade::Fail);
    EXPECT_FALSE(cell("kind.colour-key-probe", 0).crop.empty());
    EXPECT_EQ(cell("kind.erase", 0).grade, Grade::Pass);
    EXPECT_EQ(cell("screen.window", 0).state, "read");  // 3 of 300 not read: within 1%
    EXPECT_EQ(cell("pacing.missed-blanks", 0).grade, Grade::Pass);
}

TEST(MatrixParting, FirstFrameApartFromTheReferenceAndNotComparableFormats) {
    TempDir temp;
    const struct {
        const char* folder;
        std::vector<std::int64_t> crcs;
        const char *masks, *state, *text;
    } cases[] = {
        // clang-format off
        {"reference", {1, 2, 3, 4, 5}, nullptr, "reference", "reference"},
        {"same", {1, 2, 3, 4, 5}, nullptr, "exact", "same 5"},
        {"same-where-read", {1, -1, 3, 4, 5}, nullptr, "exact", "same 5"},
        {"parts", {1, 2, 3, 9, 5}, nullptr, "differs", "frame 4"},
        {"shorter", {1, 2, 3}, nullptr, "not-required", "same 3"},
        {"other-format", {6, 6, 6, 6, 6}, "red 0x7C00, green 0x03E0, blue 0x001F", "not-required",
         "other pixel format"},
        {"none", {}, nullptr, "not-read", "no CRCs"},
        // clang-format on
    };
    std::vector<matrix::ReadReport> reports;
    for (const auto& c : cases) {
        std::string json = WriteSample(temp.path / c.folder, c.crcs);
        if (c.masks != nullptr) Replace(json, "red 0xF800, green 0x07E0, blue 0x001F", c.masks);
        reports.push_back(matrix::ReadReportText(json, (temp.path / c.folder).string()));
    }
    const matrix::Matrix m = matrix::BuildMatrix(reports, 0);
    const matrix::Row& row = m.rows.back();
    ASSERT_EQ(row.id, "crc.parting");
    for (std::size_t c = 0; c < std::size(cases); ++c)
        EXPECT_EQ(std::tie(row.cells[c].state, row.cells[c].text), std::tuple(cases[c].state, cases[c].text))
            << cases[c].folder;
}

TEST(MatrixLabel, ColumnsAreLabelledByTheFactsTheirReportsRecorded) {
    const std::string sha(64, 'a');
    const struct {
        std::vector<report::Fact> facts;
        const char* build;
        std::vector<std::string> label;  // DirectDraw, renderer, pixels, window, video memory, build
    } cases[] = {
        // clang-format off
        {{{"ddraw", "this program's own software DirectDraw, version 1.0.0"}, {"display.window", "offscreen"},
          {"display.masks", "red 0x7C00, green 0x03E0, blue 0x001F"}, {"tiles", "24"}}, "Linux 64-bit",
         {"own software, 1.0.0", "none (offscreen)", "5-5-5", "offscreen", "24 tiles", "Linux 64-bit 1.0.0"}},
        {{{"display.window", "windowed"}, {"display.path", "frames go to a 24-bit X11 window ... (Present), ..."}},
         "Linux 64-bit", {"unknown", "X11 Present", "unknown", "windowed", "unknown", "Linux 64-bit 1.0.0"}},
        {{{"ddraw.path", "C:\\windows\\system32\\DDRAW.dll"}, {"ddraw.version", "5.3.1.904"}, {"ddraw.sha256", sha},
          {"wine.version", "8.0"}, {"wine.renderer", "gl"}, {"wine.d3d_config", "csmt=0,renderer=vulkan"}},
         "Windows 64-bit",
         {"Wine 8.0: DDRAW.dll 5.3.1.904 aaaaaaaa", "Vulkan", "unknown", "unknown", "unknown", "Windows 64-bit 1.0.0"}},
        {{{"ddraw.path", "C:\\games\\ddraw.dll"}, {"ddraw.version", "none (no version resource)"}}, "Windows 32-bit",
         {"ddraw.dll", "Windows", "unknown", "unknown", "unknown", "Windows 32-bit 1.0.0"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        matrix::ReadReport read;
        read.run.environment = c.facts;
        read.run.build = c.build;
        read.run.version = "1.0.0";
        std::vector<std::string> label;
        for (const matrix::LabelFact& fact : matrix::ColumnLabel(read)) label.push_back(fact.value);
        EXPECT_EQ(label, c.label) << c.label[0];
    }
}

TEST(MatrixChanges, RegressionsFixedNewAndMissingColumnsAlsoFromMatrixJson) {
    const auto column = [](const char* name) {
        return matrix::Column{name, name, std::string("key-") + name, {}, {}, {}};
    };
    const auto row = [](std::vector<std::pair<const char*, Grade>> cells) {
        matrix::Row r{"kind.erase", "Draw steps", "erase", {}};
        for (const auto& [state, grade] : cells) r.cells.push_back(matrix::Said(state, grade, state, ""));
        return r;
    };
    matrix::Matrix before, after;
    before.columns = {column("a"), column("b"), column("gone")};
    before.rows = {row({{"exact", Grade::Pass}, {"differs", Grade::Fail}, {"exact", Grade::Pass}})};
    after.columns = {column("new"), column("b"), column("a")};  // matched by name, not place
    after.rows = {row({{"exact", Grade::Pass}, {"exact", Grade::Pass}, {"did-not-end", Grade::Fail}})};

    TempDir temp;
    std::ofstream(temp.path / "matrix.json") << matrix::MatrixJson(before, nullptr);
    matrix::Matrix read;
    std::string error;
    ASSERT_TRUE(matrix::ReadBaseline(temp.path.string(), read, error)) << error;
    for (const matrix::Matrix* baseline : {&before, &read}) {
        const matrix::Changes changes = matrix::CompareWith(*baseline, after, "old");
        ASSERT_TRUE(changes.regressions.size() == 1 && changes.fixed.size() == 1);
        EXPECT_EQ(
            std::tuple(changes.regressions[0].column, changes.regressions[0].to, changes.fixed[0].column,
                       changes.newColumns, changes.missingColumns),
            std::tuple("a", "did-not-end", "b", std::vector<std::string>{"new"}, std::vector<std::string>{"gone"}));
    }
    std::ofstream(temp.path / "matrix.json") << "{\"schemaVersion\": 1, \"columns\": 3}";
    EXPECT_FALSE(matrix::ReadBaseline(temp.path.string(), read, error));
    EXPECT_NE(error.find("columns is missing or not a list"), std::string::npos) << error;
}

}  // namespace
