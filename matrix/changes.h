// What changed since a baseline: cells that went from a pass to a failure (regressions) or back
// (fixed), and columns new or missing. Columns are matched by their folder's name, then by their
// facts; rows by their ids.
#pragma once

#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace matrix {

struct CellChange {
    std::string column;  // the column's name in the new matrix (or the baseline's, when missing)
    std::string rowId, rowName;
    std::string from, to;  // the cells' states, e.g. "exact" -> "differs"
    std::string fromText, toText;
};

struct Changes {
    std::string baseline;  // as given
    std::vector<CellChange> regressions, fixed;
    std::vector<std::string> newColumns, missingColumns;
};

Changes CompareWith(const Matrix& baseline, const Matrix& current, const std::string& baselineName);

// The baseline as a matrix: an earlier matrix.json (or a folder holding one), or a report folder.
// False with the reason when it is neither or cannot be read.
bool ReadBaseline(const std::string& path, Matrix& baseline, std::string& error);

}  // namespace matrix
