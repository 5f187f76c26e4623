#include "matrix/matrix_json.h"

#include <fstream>
#include <iterator>

#include "matrix/json_fields.h"

namespace matrix {

namespace {

using Ordered = nlohmann::ordered_json;

Ordered CellJson(const Cell& cell) {
    Ordered out{{"state", cell.state}, {"grade", GradeId(cell.grade)}, {"text", cell.text}, {"detail", cell.detail}};
    Ordered images = Ordered::object();
    for (const auto& [name, path] : {std::pair<const char*, const std::string&>{"got", cell.got},
                                     {"expected", cell.expected},
                                     {"differences", cell.differences},
                                     {"crop", cell.crop}}) {
        if (!path.empty()) images[name] = path;
    }
    if (!images.empty()) out["images"] = images;
    return out;
}

Ordered ChangeJson(const CellChange& change) {
    return {{"column", change.column}, {"row", change.rowId}, {"rowName", change.rowName},
            {"from", change.from},     {"to", change.to},     {"fromText", change.fromText},
            {"toText", change.toText}};
}

Grade GradeOf(const std::string& id) {
    for (const Grade grade : {Grade::Pass, Grade::Fail, Grade::Neutral}) {
        if (id == GradeId(grade)) return grade;
    }
    throw Unreadable{"grade '" + id + "' is not known"};
}

void ReadDocument(const Json& j, Matrix& matrix) {
    if (Count(j, "schemaVersion") > static_cast<std::uint64_t>(kMatrixSchemaVersion)) {
        throw Unreadable{"it is of a later layout"};
    }
    for (const Json& c : Array(j, "columns")) {
        matrix.columns.push_back(
            {Text(c, "folder"), Text(c, "name"), Text(c, "key"), {}, ReportState::Finished, TextOrEmpty(c, "reason")});
    }
    for (const Json& r : Array(j, "rows")) {
        Row row{Text(r, "id"), {}, Text(r, "name"), {}};
        for (const Json& c : Array(r, "cells")) {
            row.cells.push_back(Said(Text(c, "state"), GradeOf(Text(c, "grade")), Text(c, "text"), {}));
        }
        matrix.rows.push_back(std::move(row));
    }
}

}  // namespace

std::string MatrixJson(const Matrix& matrix, const Changes* changes) {
    Ordered columns = Ordered::array();
    for (const Column& column : matrix.columns) {
        Ordered label = Ordered::array();
        for (const LabelFact& fact : column.label) label.push_back({{"name", fact.name}, {"value", fact.value}});
        columns.push_back({{"folder", column.folder},
                           {"name", column.name},
                           {"key", column.key},
                           {"label", label},
                           {"state", ReportStateId(column.state)},
                           {"reason", column.state == ReportState::Finished ? Ordered() : Ordered(column.reason)}});
    }
    Ordered rows = Ordered::array();
    for (const Row& row : matrix.rows) {
        Ordered cells = Ordered::array();
        for (const Cell& cell : row.cells) cells.push_back(CellJson(cell));
        rows.push_back({{"id", row.id}, {"group", row.group}, {"name", row.name}, {"cells", cells}});
    }
    Ordered out{{"schemaVersion", kMatrixSchemaVersion},
                {"reference", matrix.reference},
                {"columns", columns},
                {"rows", rows},
                {"changes", nullptr}};
    if (changes != nullptr) {
        Ordered regressions = Ordered::array(), fixed = Ordered::array();
        for (const CellChange& change : changes->regressions) regressions.push_back(ChangeJson(change));
        for (const CellChange& change : changes->fixed) fixed.push_back(ChangeJson(change));
        out["changes"] = {{"baseline", changes->baseline},
                          {"regressions", regressions},
                          {"fixed", fixed},
                          {"newColumns", changes->newColumns},
                          {"missingColumns", changes->missingColumns}};
    }
    // Text from reports and folder names that is not UTF-8 is written with U+FFFD in its place.
    return out.dump(2, ' ', false, Ordered::error_handler_t::replace) + "\n";
}

bool ReadMatrixJson(const std::string& path, Matrix& matrix, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    matrix = Matrix{};
    try {
        ReadDocument(Json::parse(text), matrix);
        return true;
    } catch (const Unreadable& failure) {
        error = path + " is not a matrix.json: " + failure.reason;
    } catch (const Json::exception& failure) {
        error = path + " is not a matrix.json: " + failure.what();
    }
    return false;
}

}  // namespace matrix
