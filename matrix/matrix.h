// The matrix: one column per report, one row per thing judged, a cell where they meet. Built from
// the reports read (assemble_matrix.cpp), compared with an earlier one (changes.h) and written as
// HTML, JSON and JUnit.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "matrix/report_reader.h"

namespace matrix {

// How a cell counts: for its colour, its JUnit test case and what changed since a baseline. Not
// run, not read and did not end are never a pass: they fail, or are neutral where another cell of
// the column already fails for them.
enum class Grade { Pass, Fail, Neutral };
const char* GradeId(Grade grade);  // "pass", "fail", "neutral"

struct Cell {
    std::string state;  // e.g. "exact", "differs", "did-not-end": the page's colour, for machines
    Grade grade = Grade::Neutral;
    std::string text;    // what the cell says
    std::string detail;  // more of it: on hover, in matrix.json and JUnit
    // The images of the difference (or frame) the cell is about, as files: where the report has
    // them until they are copied, then relative to the matrix's folder. Empty: none written.
    std::string got, expected, differences, crop;
    bool HasImages() const { return !got.empty() || !expected.empty() || !differences.empty() || !crop.empty(); }
};

// A cell without images.
inline Cell Said(std::string state, Grade grade, std::string text, std::string detail) {
    return {std::move(state), grade, std::move(text), std::move(detail), {}, {}, {}, {}};
}

struct Row {
    std::string id;           // stable, for machines and baselines: "verdict", "kind.erase", ...
    std::string group;        // the section it is shown in
    std::string name;         // for people
    std::vector<Cell> cells;  // one per column
};

// One thing that tells runs apart, e.g. {"pixels", "5-5-5"}.
struct LabelFact {
    std::string name, value;
};

struct Column {
    std::string folder;  // as given
    std::string name;    // the folder's own name
    std::string key;     // its facts in one line: a column of a baseline with the same is the same run
    std::vector<LabelFact> label;
    ReportState state = ReportState::NoReport;
    std::string reason;
};

struct Matrix {
    std::vector<Column> columns;
    std::vector<Row> rows;
    std::size_t reference = 0;  // the column the frame CRCs are compared with
};

// A fact the report does not hold.
constexpr const char* kUnknown = "unknown";

// The facts a report's column is labelled with, in a fixed order: the DirectDraw (name, version,
// the DLL's SHA-256 prefix), the renderer, the pixel format, window or full screen, the tiles that
// fit in video memory, the build.
std::vector<LabelFact> ColumnLabel(const ReadReport& report);
// Those facts that differ between some columns; the others are said once for all.
std::vector<std::string> VaryingFacts(const std::vector<Column>& columns);

// The matrix of these reports, with CRCs compared against column `reference`.
Matrix BuildMatrix(const std::vector<ReadReport>& reports, std::size_t reference);

}  // namespace matrix
