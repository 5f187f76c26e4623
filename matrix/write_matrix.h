// Writes a matrix's folder: matrix.html, matrix.json, matrix.xml and the images the page shows,
// copied from the reports into images/, all as one set (report/atomic_file.h).
#pragma once

#include <string>

#include "matrix/changes.h"
#include "matrix/matrix.h"

namespace matrix {

std::string MatrixHtml(const Matrix& matrix, const Changes* changes);
std::string MatrixJunit(const Matrix& matrix, const Changes* changes);

// The cells' images are read from the reports' folders and named inside `dir` (an image that
// cannot be read is left out, and its cell says so). False with the reason when a file cannot be
// written.
bool WriteMatrix(const std::string& dir, Matrix matrix, const Changes* changes, std::string& error);

}  // namespace matrix
