// matrix.html: the matrix for a person, one page that needs nothing from elsewhere (no script, no
// font; the images it shows lie beside it in images/). Row and column headers stay in view while
// the grid scrolls, so that 20 columns stay readable; a cell's colour is its state, as on the
// report's own page.
#include <string>

#include "matrix/write_matrix.h"
#include "report/text_format.h"

namespace matrix {

namespace {

using report::Escaped;

constexpr const char* kStyle = R"(
body { margin: 0; background: #f4f4f2; color: #1d1d1d; font: 13px/1.35 sans-serif; }
header, section { padding: 8px 14px; }
h1 { font-size: 19px; margin: 0; }
h2 { font-size: 16px; margin: 10px 0 6px; }
.common { color: #555; margin: 4px 0 0; }
.changes { border-left: 6px solid #1b7f3b; background: #fff; margin: 8px 14px; }
.changes.regressed { border-color: #c0262d; }
.changes li.regression { color: #c0262d; font-weight: bold; }
.changes li.fixed { color: #1b7f3b; }
.grid { overflow: auto; max-height: 100vh; margin: 0 6px; }
table { border-collapse: separate; border-spacing: 0; table-layout: fixed; background: #fff; }
th, td { border: 1px solid #ddd; border-width: 0 1px 1px 0; padding: 3px 4px; vertical-align: top; overflow-wrap: anywhere; }
thead th { position: sticky; top: 0; z-index: 2; background: #ebebeb; font-weight: normal; font-size: 11px; text-align: left; }
thead th .name { font-weight: bold; font-size: 12px; }
thead th .fact { color: #333; }
thead th.c-did-not-end, thead th.c-no-report, thead th.c-unreadable { background: #f3d3d5; }
th.corner { left: 0; z-index: 3; width: 150px; }
tbody th { position: sticky; left: 0; z-index: 1; background: #f7f7f7; text-align: left; font-weight: normal; }
tr.group th { background: #dcdcdc; font-weight: bold; }
td { font-size: 12px; }
td.g-pass { background: #e3f3e8; color: #1b7f3b; }
td.g-fail { background: #fbe1e2; color: #c0262d; font-weight: bold; }
td.g-neutral { color: #6e6e6e; }
td.s-expected { background: #ece6f6; color: #6b4fa0; }
td.s-incomplete, td.s-not-covered, td.s-not-read { background: #fbeed9; color: #c77700; }
td.s-did-not-end, td.s-no-report, td.s-unreadable { background: #c0262d; color: #fff; }
td.s-number { color: #1d1d1d; text-align: right; font-variant-numeric: tabular-nums; }
td .why { display: block; font-weight: normal; font-size: 11px; }
td a { color: inherit; }
img.crop { display: block; width: 44px; height: 44px; object-fit: cover; object-position: 100% 0; image-rendering: pixelated; margin-top: 2px; border: 1px solid #999; }
.detail { background: #fff; border: 1px solid #ddd; padding: 6px 10px; margin-bottom: 10px; }
.detail:target { outline: 3px solid #c0262d; }
.images { display: grid; grid-template-columns: repeat(3, 1fr); gap: 8px; }
figure { margin: 0; }
figure img { width: 100%; image-rendering: pixelated; display: block; }
figcaption { font-size: 12px; color: #444; }
table.columns td, table.columns th { font-size: 12px; }
)";

std::string Attribute(const std::string& name, const std::string& value) {
    return " " + name + "=\"" + Escaped(value) + "\"";
}

std::string Anchor(std::size_t column, const Row& row) { return "d" + std::to_string(column + 1) + "-" + row.id; }

std::string Header(const Matrix& matrix, const std::vector<std::string>& varying) {
    std::string out = "<thead><tr><th class=\"corner\">run</th>";
    for (std::size_t c = 0; c < matrix.columns.size(); ++c) {
        const Column& column = matrix.columns[c];
        out += "<th" + Attribute("class", std::string("col c-") + ReportStateId(column.state)) +
               Attribute("data-column", column.name) + Attribute("data-state", ReportStateId(column.state)) +
               Attribute("title", column.folder + "\n" + column.key) + "><div class=\"name\">" + std::to_string(c + 1) +
               ". " + Escaped(column.name) + "</div>";
        for (const LabelFact& fact : column.label) {
            for (const std::string& name : varying) {
                if (name == fact.name && fact.value != kUnknown) {
                    out += "<div class=\"fact\">" + Escaped(fact.value) + "</div>";
                }
            }
        }
        out += "</th>";
    }
    return out + "</tr></thead>";
}

std::string CellHtml(const Cell& cell, std::size_t column, const Row& row, bool showsWhy) {
    std::string out = "<td" + Attribute("class", "g-" + std::string(GradeId(cell.grade)) + " s-" + cell.state) +
                      Attribute("data-row", row.id) + Attribute("title", cell.detail) + ">";
    const std::string text = Escaped(cell.text);
    out += cell.HasImages() ? "<a href=\"#" + Escaped(Anchor(column, row)) + "\">" + text + "</a>" : text;
    if (showsWhy) out += "<span class=\"why\">" + Escaped(cell.detail) + "</span>";
    if (!cell.crop.empty()) {
        out += "<a href=\"#" + Escaped(Anchor(column, row)) + "\"><img class=\"crop\"" + Attribute("src", cell.crop) +
               " alt=\"the first difference\"></a>";
    }
    return out + "</td>";
}

std::string Body(const Matrix& matrix) {
    std::string out = "<tbody>", group;
    for (const Row& row : matrix.rows) {
        if (row.group != group) {
            group = row.group;
            out += "<tr class=\"group\"><th" + Attribute("colspan", std::to_string(matrix.columns.size() + 1)) + ">" +
                   Escaped(group) + "</th></tr>";
        }
        out += "<tr" + Attribute("data-row", row.id) + "><th>" + Escaped(row.name) + "</th>";
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            // Why a run did not end is said in its verdict cell itself.
            const bool why = row.id == "verdict" && matrix.columns[c].state != ReportState::Finished;
            out += CellHtml(row.cells[c], c, row, why);
        }
        out += "</tr>";
    }
    return out + "</tbody>";
}

std::string Figure(const std::string& src, const char* caption) {
    if (src.empty()) return "<figure><figcaption>" + std::string(caption) + ": not written</figcaption></figure>";
    return "<figure><a" + Attribute("href", src) + "><img" + Attribute("src", src) + Attribute("alt", caption) +
           "></a><figcaption>" + caption + "</figcaption></figure>";
}

std::string Details(const Matrix& matrix) {
    std::string out;
    for (const Row& row : matrix.rows) {
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const Cell& cell = row.cells[c];
            if (!cell.HasImages()) continue;
            out += "<div class=\"detail\"" + Attribute("id", Anchor(c, row)) + "><b>" + std::to_string(c + 1) + ". " +
                   Escaped(matrix.columns[c].name) + " - " + Escaped(row.name) + "</b>: " + Escaped(cell.detail) +
                   "<div class=\"images\">" + Figure(cell.got, "got") + Figure(cell.expected, "expected") +
                   Figure(cell.differences, "differences") + "</div></div>";
        }
    }
    return out.empty() ? out : "<section id=\"details\"><h2>Differences</h2>" + out + "</section>";
}

std::string ChangeItem(const CellChange& change, const char* cls) {
    return "<li" + Attribute("class", cls) + ">" + Escaped(change.column) + " - " + Escaped(change.rowName) + ": " +
           Escaped(change.fromText) + " (" + Escaped(change.from) + ") &#8594; " + Escaped(change.toText) + " (" +
           Escaped(change.to) + ")</li>";
}

std::string ChangesHtml(const Changes& changes) {
    std::string items;
    for (const CellChange& change : changes.regressions) items += ChangeItem(change, "regression");
    for (const CellChange& change : changes.fixed) items += ChangeItem(change, "fixed");
    for (const std::string& name : changes.newColumns)
        items += "<li class=\"new\">new column: " + Escaped(name) + "</li>";
    for (const std::string& name : changes.missingColumns) {
        items += "<li class=\"missing\">missing column: " + Escaped(name) + "</li>";
    }
    if (items.empty()) items = "<li>nothing</li>";
    const bool regressed = !changes.regressions.empty();
    return "<section id=\"changes\"" + Attribute("class", regressed ? "changes regressed" : "changes") +
           "><h2>What changed since " + Escaped(changes.baseline) + ": " + std::to_string(changes.regressions.size()) +
           " regressed, " + std::to_string(changes.fixed.size()) + " fixed</h2><ul>" + items + "</ul></section>";
}

std::string ColumnsTable(const Matrix& matrix) {
    std::string out = "<section><h2>Columns</h2><table class=\"columns\"><tr><th>#</th><th>folder</th><th>state</th>";
    if (!matrix.columns.empty()) {
        for (const LabelFact& fact : matrix.columns.front().label) out += "<th>" + Escaped(fact.name) + "</th>";
    }
    out += "</tr>";
    for (std::size_t c = 0; c < matrix.columns.size(); ++c) {
        const Column& column = matrix.columns[c];
        out += "<tr><td>" + std::to_string(c + 1) + "</td><td>" + Escaped(column.folder) + "</td><td>" +
               Escaped(ReportStateWords(column.state)) + (column.reason.empty() ? "" : ": " + Escaped(column.reason)) +
               "</td>";
        for (const LabelFact& fact : column.label) out += "<td>" + Escaped(fact.value) + "</td>";
        out += "</tr>";
    }
    return out + "</table></section>";
}

}  // namespace

std::string MatrixHtml(const Matrix& matrix, const Changes* changes) {
    const std::vector<std::string> varying = VaryingFacts(matrix.columns);
    std::string common;
    if (!matrix.columns.empty()) {
        for (const LabelFact& fact : matrix.columns.front().label) {
            bool varies = false;
            for (const std::string& name : varying) varies = varies || name == fact.name;
            if (!varies) common += (common.empty() ? "" : "; ") + fact.name + ": " + fact.value;
        }
    }
    const std::string reference =
        matrix.columns.empty() ? ""
                               : std::to_string(matrix.reference + 1) + ". " + matrix.columns[matrix.reference].name;
    // Wide enough for its columns, never wider than the window.
    const std::string width = std::to_string(150 + 160 * matrix.columns.size());
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
           std::to_string(matrix.columns.size()) + " runs side by side</title><style>" + kStyle +
           "</style></head><body><header><h1>" + std::to_string(matrix.columns.size()) +
           " runs side by side</h1><p class=\"common\">Every column: " + Escaped(common.empty() ? "-" : common) +
           ". Frames compared with column " + Escaped(reference) + ".</p></header>" +
           (changes != nullptr ? ChangesHtml(*changes) : std::string()) +
           "<div class=\"grid\"><table id=\"matrix\" style=\"width: min(100%, " + width + "px)\">" +
           Header(matrix, varying) + Body(matrix) + "</table></div>" + Details(matrix) + ColumnsTable(matrix) +
           "</body></html>\n";
}

}  // namespace matrix
