// Where two lockstep runs part: the first frame whose CRC (the counter's area zeroed) differs from
// the reference column's. Runs of another pixel format or tile count draw other frames from the
// first: they are said not to be comparable rather than to part.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "matrix/cells.h"

namespace matrix {

namespace {

std::string Fact(const Column& column, const char* name) {
    for (const LabelFact& fact : column.label) {
        if (fact.name == name) return fact.value;
    }
    return {};
}

bool AnyKnown(const std::vector<std::int64_t>& crcs) {
    for (const std::int64_t crc : crcs) {
        if (crc >= 0) return true;
    }
    return false;
}

Cell Parting(const ReadReport& report, const ReadReport& reference, const Column& column, const Column& refColumn) {
    const std::vector<std::int64_t>& mine = report.run.frameCrcs;
    const std::vector<std::int64_t>& theirs = reference.run.frameCrcs;
    if (!AnyKnown(mine)) {
        const bool finished = report.state == ReportState::Finished;
        return Said("not-read", finished ? Grade::Fail : Grade::Neutral, "no CRCs", "the report holds no frame CRCs");
    }
    if (!AnyKnown(theirs)) {
        return Said("none", Grade::Neutral, "-", "the reference column holds no frame CRCs");
    }
    for (const auto& [fact, words] :
         {std::pair{"pixels", "other pixel format"}, {"video memory", "other tile count"}}) {
        if (Fact(column, fact) != Fact(refColumn, fact)) {
            return Said("not-required", Grade::Neutral, words,
                        std::string("not comparable: ") + Fact(column, fact) + " against " + Fact(refColumn, fact) +
                            " in the reference");
        }
    }
    const std::size_t both = std::min(mine.size(), theirs.size());
    std::size_t unknown = 0;
    for (std::size_t i = 0; i < both; ++i) {
        if (mine[i] < 0 || theirs[i] < 0) {
            ++unknown;
            continue;
        }
        if (mine[i] == theirs[i]) continue;
        const std::uint64_t frame = i + 1;
        Cell cell = Said("differs", Grade::Fail, "frame " + std::to_string(frame),
                         "parts from the reference at frame " + std::to_string(frame));
        const diagnostics::VerdictRecord& v = report.run.verdict;
        if (v.hasFinding && v.first.frame == frame) {
            TakeImages(v.first, cell);
        } else {
            cell.detail += "; the run wrote no images of that frame";
        }
        return cell;
    }
    std::string detail = "the same " + std::to_string(both - unknown) + " frames as the reference";
    if (unknown > 0) detail += "; " + std::to_string(unknown) + " frames not read in one of the two";
    if (mine.size() != theirs.size()) {
        return Said("not-required", Grade::Neutral, "same " + std::to_string(both),
                    detail + "; this run has " + std::to_string(mine.size()) + " frames, the reference " +
                        std::to_string(theirs.size()));
    }
    return Said("exact", Grade::Pass, "same " + std::to_string(both), detail);
}

}  // namespace

Row PartingRow(const std::vector<ReadReport>& reports, const std::vector<Column>& columns, std::size_t reference) {
    Row row{"crc.parting", "Lockstep", "first frame parting from the reference", {}};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (i == reference) {
            const std::size_t frames = reports[i].run.frameCrcs.size();
            row.cells.push_back(
                Said("reference", Grade::Neutral, "reference",
                     "the column the others are compared with: " + std::to_string(frames) + " frame CRCs"));
            continue;
        }
        row.cells.push_back(Parting(reports[i], reports[reference], columns[i], columns[reference]));
    }
    return row;
}

}  // namespace matrix
