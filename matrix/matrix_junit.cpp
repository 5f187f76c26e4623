// matrix.xml: JUnit, one test suite per column with a test case per row (a failing cell fails, a
// neutral one is skipped; a column whose run did not end or has no readable report errs on its
// verdict), and with a baseline a suite of what changed, a failure for each regression.
#include <string>
#include <vector>

#include "matrix/write_matrix.h"
#include "report/text_format.h"

namespace matrix {

namespace {

using report::Escaped;

struct Case {
    std::string classname, name, body;  // body: the failure, error or skipped element, or empty
    int failures = 0, errors = 0, skipped = 0;
};

std::string Suite(const std::string& name, const std::string& properties, const std::vector<Case>& cases) {
    int failures = 0, errors = 0, skipped = 0;
    std::string body;
    for (const Case& c : cases) {
        failures += c.failures;
        errors += c.errors;
        skipped += c.skipped;
        body += "    <testcase classname=\"" + Escaped(c.classname) + "\" name=\"" + Escaped(c.name) + "\"" +
                (c.body.empty() ? "/>\n" : ">" + c.body + "</testcase>\n");
    }
    return "  <testsuite name=\"" + Escaped(name) + "\" tests=\"" + std::to_string(cases.size()) + "\" failures=\"" +
           std::to_string(failures) + "\" errors=\"" + std::to_string(errors) + "\" skipped=\"" +
           std::to_string(skipped) + "\">\n" + properties + body + "  </testsuite>\n";
}

Case CellCase(const Column& column, const Row& row, const Cell& cell) {
    Case c{"matrix." + column.name, row.id, {}};
    const std::string message = "message=\"" + Escaped(cell.text + ": " + cell.detail) + "\"";
    const bool ended = column.state == ReportState::Finished;
    if (!ended && row.id == "verdict") {
        c.body = "<error " + message + " type=\"" + ReportStateId(column.state) + "\"/>";
        c.errors = 1;
    } else if (cell.grade == Grade::Fail) {
        c.body = "<failure " + message + " type=\"" + Escaped(cell.state) + "\"/>";
        c.failures = 1;
    } else if (cell.grade == Grade::Neutral) {
        c.body = "<skipped " + message + "/>";
        c.skipped = 1;
    }
    return c;
}

}  // namespace

std::string MatrixJunit(const Matrix& matrix, const Changes* changes) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vornhollow-matrix\">\n";
    for (std::size_t c = 0; c < matrix.columns.size(); ++c) {
        const Column& column = matrix.columns[c];
        std::string properties =
            "    <properties>\n      <property name=\"folder\" value=\"" + Escaped(column.folder) + "\"/>\n";
        for (const LabelFact& fact : column.label) {
            properties +=
                "      <property name=\"" + Escaped(fact.name) + "\" value=\"" + Escaped(fact.value) + "\"/>\n";
        }
        properties += "    </properties>\n";
        std::vector<Case> cases;
        for (const Row& row : matrix.rows) {
            if (c < row.cells.size()) cases.push_back(CellCase(column, row, row.cells[c]));
        }
        out += Suite(column.name + " (" + column.key + ")", properties, cases);
    }
    if (changes != nullptr) {
        std::vector<Case> cases;
        for (const CellChange& change : changes->regressions) {
            cases.push_back({"matrix.changes", change.column + " " + change.rowId,
                             "<failure message=\"" + Escaped("regressed: " + change.from + " -> " + change.to) +
                                 "\" type=\"regression\"/>",
                             1, 0, 0});
        }
        for (const CellChange& change : changes->fixed) {
            cases.push_back({"matrix.changes", change.column + " " + change.rowId, {}});
        }
        out += Suite("what changed since " + changes->baseline, {}, cases);
    }
    return out + "</testsuites>\n";
}

}  // namespace matrix
