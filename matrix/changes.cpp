#include "matrix/changes.h"

#include <filesystem>

#include "matrix/matrix_json.h"

namespace matrix {

namespace {

// The baseline's column for each of the current ones (-1: new), by folder name, then by facts.
std::vector<long> Match(const Matrix& baseline, const Matrix& current) {
    std::vector<long> match(current.columns.size(), -1);
    std::vector<bool> taken(baseline.columns.size(), false);
    for (const auto same : {+[](const Column&a, const Column&b) { return a.name == b.name; },
                            +[](const Column&a, const Column&b) { return a.key == b.key; }}) {
        for (std::size_t c = 0; c < current.columns.size(); ++c) {
            for (std::size_t b = 0; b < baseline.columns.size() && match[c] < 0; ++b) {
                if (!taken[b] && same(current.columns[c], baseline.columns[b])) {
                    match[c] = static_cast<long>(b);
                    taken[b] = true;
                }
            }
        }
    }
    return match;
}

const Row* FindRow(const Matrix& matrix, const std::string& id) {
    for (const Row& row : matrix.rows) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

}  // namespace

Changes CompareWith(const Matrix& baseline, const Matrix& current, const std::string& baselineName) {
    Changes changes;
    changes.baseline = baselineName;
    const std::vector<long> match = Match(baseline, current);
    std::vector<bool> matched(baseline.columns.size(), false);
    for (std::size_t c = 0; c < current.columns.size(); ++c) {
        if (match[c] < 0) {
            changes.newColumns.push_back(current.columns[c].name);
            continue;
        }
        const auto b = static_cast<std::size_t>(match[c]);
        matched[b] = true;
        for (const Row& row : current.rows) {
            const Row* old = FindRow(baseline, row.id);
            if (old == nullptr || old->cells.size() <= b || row.cells.size() <= c) continue;
            const Cell& was = old->cells[b];
            const Cell& now = row.cells[c];
            const CellChange change{
                current.columns[c].name, row.id, row.name, was.state, now.state, was.text, now.text};
            if (was.grade == Grade::Pass && now.grade == Grade::Fail) changes.regressions.push_back(change);
            if (was.grade == Grade::Fail && now.grade == Grade::Pass) changes.fixed.push_back(change);
        }
    }
    for (std::size_t b = 0; b < baseline.columns.size(); ++b) {
        if (!matched[b]) changes.missingColumns.push_back(baseline.columns[b].name);
    }
    return changes;
}

bool ReadBaseline(const std::string& path, Matrix& baseline, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    if (fs::is_directory(path, code)) {
        if (fs::exists(fs::path(path) / "matrix.json", code)) {
            return ReadMatrixJson((fs::path(path) / "matrix.json").string(), baseline, error);
        }
        const ReadReport report = ReadReportFolder(path);
        if (report.state == ReportState::NoReport) {
            error = path + " holds neither matrix.json nor report.json";
            return false;
        }
        baseline = BuildMatrix({report}, 0);
        return true;
    }
    return ReadMatrixJson(path, baseline, error);
}

}  // namespace matrix
