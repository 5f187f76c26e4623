// matrix.json: the matrix for machines, and read back as the baseline of a later one.
#pragma once

#include <string>

#include "matrix/changes.h"
#include "matrix/matrix.h"

namespace matrix {

constexpr int kMatrixSchemaVersion = 1;

// `changes` is null without a baseline.
std::string MatrixJson(const Matrix& matrix, const Changes* changes);
// False with the reason when the file cannot be read or is not a matrix.json this reader knows.
bool ReadMatrixJson(const std::string& path, Matrix& matrix, std::string& error);

}  // namespace matrix
