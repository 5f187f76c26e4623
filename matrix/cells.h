// The cells of each kind of row, from one report (assemble_matrix.cpp puts them together).
#pragma once

#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace matrix {

// The verdict: exact, incomplete, differs or not verified; for a run that did not end, a folder
// without a report or an unreadable one, that state and the reason.
Cell VerdictCell(const ReadReport& report);
// A kind of draw step, a picture, the screen, stray writes or the counter; null when the report
// does not have it.
Cell ItemCell(const diagnostics::ItemResult* item, bool verified);
// The frames compared on one path of the screen (the primary surface, the window) and not read.
Cell ReadsCell(const diagnostics::ScreenReads& reads, bool verified);

Cell MeanFpsCell(const PacingSummary& pacing);
Cell LowFpsCell(const PacingSummary& pacing);
Cell MissedBlanksCell(const PacingSummary& pacing);
Cell ExitCodeCell(const ReadReport& report);
Cell FatalErrorCell(const ReadReport& report);

// Each column's first frame whose CRC departs from the reference column's.
Row PartingRow(const std::vector<ReadReport>& reports, const std::vector<Column>& columns, std::size_t reference);

// A cell of a report that says nothing about its row (its run did not end, or it has no report).
Cell NothingCell();
// The images of a finding, as the report names them (relative to its folder or not).
void TakeImages(const diagnostics::Finding& finding, Cell& cell);
// "first: frame 12, (358,402), got 0x07E0, expected 0x8A51, 812 pixels"
std::string FindingWords(const diagnostics::Finding& finding);

}  // namespace matrix
