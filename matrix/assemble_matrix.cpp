// The matrix of a set of reports: its columns, labelled from their facts, and its rows in order:
// the verdict; each kind of draw step, picture, the screen and its reads, stray writes, the
// counter; pacing; the run's end; where the frames part from the reference column.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "matrix/cells.h"

namespace matrix {

const char* GradeId(Grade grade) {
    switch (grade) {
        case Grade::Pass: return "pass";
        case Grade::Fail: return "fail";
        case Grade::Neutral: return "neutral";
    }
    return "neutral";
}

namespace {

using diagnostics::ItemResult;

const ItemResult* Find(const std::vector<ItemResult>& items, const std::string& id) {
    for (const ItemResult& item : items) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

struct RowKind {
    std::string id, group, name;
    // The cell of a finished report; others say nothing but on the verdict and the exit code.
    std::function<Cell(const ReadReport&)> cell;
    bool forEveryReport = false;
};

std::vector<RowKind> RowKinds() {
    using diagnostics::VerdictRecord;
    const auto item = [](std::function<const ItemResult*(const VerdictRecord&)> pick) {
        return [pick](const ReadReport& r) { return ItemCell(pick(r.run.verdict), r.run.verified); };
    };
    std::vector<RowKind> rows{{"verdict", "Verdict", "verdict", &VerdictCell, true}};
    for (const char* id : diagnostics::kDrawKindIds) {
        rows.push_back({std::string("kind.") + id, "Draw steps", id,
                        item([id](const VerdictRecord& v) { return Find(v.kinds, id); })});
    }
    for (const char* id : diagnostics::kPictureIds) {
        rows.push_back({std::string("picture.") + id, "Pictures", id,
                        item([id](const VerdictRecord& v) { return Find(v.pictures, id); })});
    }
    rows.push_back({"screen", "Screen", "screen", item([](const VerdictRecord& v) { return &v.screen; })});
    rows.push_back({"screen.primary", "Screen", "read on the primary surface",
                    [](const ReadReport& r) { return ReadsCell(r.run.verdict.primary, r.run.verified); }});
    rows.push_back({"screen.window", "Screen", "read in the window",
                    [](const ReadReport& r) { return ReadsCell(r.run.verdict.window, r.run.verified); }});
    rows.push_back({"stray-write", "Screen", "stray writes", item([](const VerdictRecord& v) { return &v.strays; })});
    rows.push_back({"counter", "Screen", "counter", item([](const VerdictRecord& v) { return &v.counter; })});
    rows.push_back(
        {"pacing.mean-fps", "Pacing", "mean fps", [](const ReadReport& r) { return MeanFpsCell(r.pacing); }});
    rows.push_back(
        {"pacing.low-1-percent", "Pacing", "1% low fps", [](const ReadReport& r) { return LowFpsCell(r.pacing); }});
    rows.push_back({"pacing.missed-blanks", "Pacing", "missed blanks",
                    [](const ReadReport& r) { return MissedBlanksCell(r.pacing); }});
    rows.push_back({"end.exit-code", "End", "exit code", &ExitCodeCell, true});
    rows.push_back({"end.fatal-error", "End", "fatal error", &FatalErrorCell});
    return rows;
}

// The folder's own name, also for "runs/a/" or ".".
std::string FolderName(const std::string& folder) {
    std::error_code code;
    std::filesystem::path path = std::filesystem::absolute(folder, code).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    return path.filename().string();
}

Column ColumnOf(const ReadReport& report) {
    Column column{report.folder, FolderName(report.folder), {}, ColumnLabel(report), report.state, report.reason};
    for (const LabelFact& fact : column.label) {
        column.key += (column.key.empty() ? "" : "; ") + fact.name + "=" + fact.value;
    }
    return column;
}

}  // namespace

Matrix BuildMatrix(const std::vector<ReadReport>& reports, std::size_t reference) {
    Matrix matrix;
    matrix.reference = reference < reports.size() ? reference : 0;
    for (const ReadReport& report : reports) matrix.columns.push_back(ColumnOf(report));
    for (const RowKind& kind : RowKinds()) {
        Row row{kind.id, kind.group, kind.name, {}};
        for (const ReadReport& report : reports) {
            const bool said = kind.forEveryReport || report.state == ReportState::Finished;
            row.cells.push_back(said ? kind.cell(report) : NothingCell());
        }
        matrix.rows.push_back(std::move(row));
    }
    if (!reports.empty()) matrix.rows.push_back(PartingRow(reports, matrix.columns, matrix.reference));
    return matrix;
}

}  // namespace matrix
