// Cells of the verdict, each judged item and the screen's reads.
#include <string>

#include "matrix/cells.h"
#include "report/text_format.h"

namespace matrix {

namespace {

using diagnostics::ItemResult;
using diagnostics::ItemState;
using diagnostics::Outcome;

std::string Of(std::uint64_t part, std::uint64_t whole) { return std::to_string(part) + "/" + std::to_string(whole); }

}  // namespace

Cell NothingCell() { return Said("none", Grade::Neutral, "-", "the report has nothing on this"); }

void TakeImages(const diagnostics::Finding& finding, Cell& cell) {
    cell.got = finding.gotImage;
    cell.expected = finding.expectedImage;
    cell.differences = finding.differencesImage;
    cell.crop = finding.cropImage;
}

std::string FindingWords(const diagnostics::Finding& f) {
    return "first: " + (f.frame ? "frame " + std::to_string(f.frame) + ", " : std::string()) + f.step + ", (" +
           std::to_string(f.x) + "," + std::to_string(f.y) + "), got " + report::PixelHex(f.got, f.bytesPerPixel) +
           ", expected " + report::PixelHex(f.expected, f.bytesPerPixel) + ", " + std::to_string(f.pixels) + " pixels";
}

Cell VerdictCell(const ReadReport& report) {
    if (report.state != ReportState::Finished) {
        return Said(ReportStateId(report.state), Grade::Fail, ReportStateWords(report.state), report.reason);
    }
    const report::RunReport& run = report.run;
    const Outcome outcome = run.verified ? run.verdict.outcome : Outcome::NotVerified;
    Cell cell = Said(report::OutcomeId(outcome), outcome == Outcome::Exact ? Grade::Pass : Grade::Fail,
                     report::OutcomeWords(outcome), run.verdict.line);
    if (outcome == Outcome::Differs && run.verdict.hasFinding) {
        cell.detail += "; " + FindingWords(run.verdict.first);
        TakeImages(run.verdict.first, cell);
    }
    if (run.verdict.framesNotCompared > 0) {
        cell.detail += "; " + std::to_string(run.verdict.framesNotCompared) + " frames not compared (" +
                       run.verdict.notComparedWhy + ")";
    }
    for (const std::string& id : run.verdict.expectedNotDrawn) cell.detail += "; expected, not drawn: " + id;
    return cell;
}

Cell ItemCell(const ItemResult* item, bool verified) {
    if (!verified) return Said("not-verified", Grade::Neutral, "not verified", "the run had no --verify");
    if (item == nullptr) return NothingCell();
    Cell cell = Said(report::StateId(item->state), Grade::Fail, report::StateWords(item->state), item->why);
    switch (item->state) {
        case ItemState::Exact:
            cell = Said(cell.state, Grade::Pass, "exact " + std::to_string(item->compared), {});
            break;
        case ItemState::PrimaryOnly:
            cell.grade = Grade::Pass;
            cell.text = "primary only";
            break;
        case ItemState::Expected:
            cell.grade = Grade::Pass;
            cell.text = "expected " + std::to_string(item->differed);
            break;
        case ItemState::Differs: cell.text = "differs " + std::to_string(item->differed); break;
        case ItemState::UnexpectedlyExact: cell.text = "exact, not as expected"; break;
        case ItemState::NotCovered: cell.text = "not covered"; break;
        case ItemState::NotRequired:
            cell.grade = Grade::Neutral;
            cell.text = "not required";
            break;
    }
    if (cell.detail.empty()) {
        cell.detail = std::to_string(item->compared) + " compared, " + std::to_string(item->differed) + " differed";
    }
    if (item->hasFinding) {
        cell.detail += "; " + FindingWords(item->first);
        TakeImages(item->first, cell);
    }
    return cell;
}

Cell ReadsCell(const diagnostics::ScreenReads& reads, bool verified) {
    if (!verified) return Said("not-verified", Grade::Neutral, "not verified", "the run had no --verify");
    if (!reads.expected) return Said("none", Grade::Neutral, "none", "nothing to read: " + reads.why);
    const std::uint64_t due = reads.compared + reads.notRead;
    const std::string detail = std::to_string(reads.compared) + " of " + std::to_string(due) + " frames read" +
                               (reads.notRead > 0 ? "; first not read: " + reads.why : std::string());
    if (reads.compared == 0) return Said("not-read", Grade::Fail, "not read", detail);
    // The verdict's rule: more than 1% of the frames due not read leaves the screen incomplete.
    if (reads.notRead * 100 > due) return Said("incomplete", Grade::Fail, "read " + Of(reads.compared, due), detail);
    return Said("read", Grade::Pass, "read " + Of(reads.compared, due), detail);
}

}  // namespace matrix
