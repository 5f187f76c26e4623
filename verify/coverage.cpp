#include "verify/coverage.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "verify/frame_model.h"

namespace verify {
namespace {

using diagnostics::DrawKind;
using diagnostics::ItemState;

std::string Count(std::uint64_t value) { return std::to_string(value); }

void Join(std::string& list, const std::string& item) { list += (list.empty() ? "" : ", ") + item; }

// The first difference of an item is the one it reports.
void Differed(diagnostics::ItemResult& item, const diagnostics::Finding& finding) {
    if (item.differed++ == 0) {
        item.hasFinding = true;
        item.first = finding;
    }
}

}  // namespace

void Coverage::Start(int tileCount, bool lockstep, const Expectations& expectations) {
    *this = Coverage{};
    expectations_ = expectations;
    lockstep_ = lockstep;
    for (int k = 0; k < diagnostics::kDrawKinds; ++k) {
        const auto kind = static_cast<DrawKind>(k);
        kinds_[k].id = diagnostics::DrawKindId(kind);
        const bool tileKind = kind == DrawKind::TileCopy || kind == DrawKind::MirrorTestBlock;
        required_[k] = kind == DrawKind::FullScreenCopy ? tileCount <= 0 : !tileKind || tileCount > 0;
    }
    for (int p = 0; p < 4; ++p) pictures_[p].id = diagnostics::kPictureIds[p];
    screen_.id = diagnostics::kScreenId;
    strays_.id = diagnostics::kStrayWriteId;
    counter_.id = diagnostics::kCounterId;
    reads_[0].expected = true;
}

void Coverage::KindDrawn(DrawKind kind, bool compared) {
    diagnostics::ItemResult& item = kinds_[static_cast<int>(kind)];
    ++item.drawn;
    if (compared) ++item.compared;
}

void Coverage::KindDiffered(DrawKind kind, const diagnostics::Finding& finding) {
    Differed(kinds_[static_cast<int>(kind)], finding);
}

void Coverage::StrayWrite(const diagnostics::Finding& finding) { Differed(strays_, finding); }

void Coverage::CounterCompared(const diagnostics::Finding* difference) {
    ++counter_.drawn;
    ++counter_.compared;
    if (difference != nullptr) Differed(counter_, *difference);
}

void Coverage::FrameCompared() {
    ++framesCompared_;
    ++strays_.drawn;
    ++strays_.compared;
}

void Coverage::FrameNotRead(const char* why) {
    if (framesNotRead_++ == 0) notReadWhy_ = why;
}

void Coverage::FrameNotCompared(const char* why) {
    if (framesNotCompared_++ == 0) notComparedWhy_ = why;
}

void Coverage::FrameDiffered(const diagnostics::Finding& finding) {
    // A frame that differs in the back buffer and again on the screen counts once.
    if (framesDiffering_ > 0 && finding.frame == lastDiffering_) return;
    lastDiffering_ = finding.frame;
    if (framesDiffering_++ == 0) {
        hasFinding_ = true;
        first_ = finding;
    }
}

void Coverage::PictureCompared(int picture, const diagnostics::Finding* difference) {
    diagnostics::ItemResult& item = pictures_[picture];
    ++item.drawn;
    ++item.compared;
    if (difference != nullptr) Differed(item, *difference);
}

void Coverage::PictureNotChecked(int picture, const char* why) {
    diagnostics::ItemResult& item = pictures_[picture];
    ++item.drawn;
    if (item.why.empty()) item.why = why;
}

void Coverage::ExpectWindow(bool expected, const std::string& whyNoWindow) {
    reads_[1].expected = expected;
    reads_[1].why = expected ? std::string() : whyNoWindow;
}

void Coverage::ScreenCompared(bool window, const diagnostics::Finding* difference) {
    ++screen_.compared;
    ++reads_[window ? 1 : 0].compared;
    if (difference == nullptr) return;
    Differed(screen_, *difference);
    FrameDiffered(*difference);
}

void Coverage::ScreenNotRead(bool window, const char* why) {
    diagnostics::ScreenReads& reads = reads_[window ? 1 : 0];
    if (!reads.expected) return;
    if (reads.notRead++ == 0) reads.why = why;
}

// An item compared at least once and never differing is exact; listed in the expectations, it
// was expected to differ.
void Coverage::Judge(diagnostics::ItemResult& item, bool expected, bool required) {
    if (item.differed > 0) {
        item.state = expected ? ItemState::Expected : ItemState::Differs;
    } else if (item.compared > 0) {
        item.state = expected ? ItemState::UnexpectedlyExact : ItemState::Exact;
    } else {
        item.state = required ? ItemState::NotCovered : ItemState::NotRequired;
    }
}

// Each path this run has must have been read for the frames due there: in lockstep every frame
// shown, otherwise every read attempted. A frame due but never read is counted as not read.
void Coverage::FillScreen(diagnostics::VerdictRecord& verdict) const {
    verdict.primary = reads_[0];
    verdict.window = reads_[1];
    std::string uncovered;
    for (diagnostics::ScreenReads* reads : {&verdict.primary, &verdict.window}) {
        if (!reads->expected) continue;
        const char* path = reads == &verdict.primary ? "the primary surface" : "the window";
        const std::uint64_t accounted = reads->compared + reads->notRead;
        if (lockstep_ && screen_.drawn > accounted) {
            if (reads->notRead == 0) reads->why = "shown, but never read";
            reads->notRead += screen_.drawn - accounted;
        }
        const std::uint64_t due = lockstep_ ? std::max(screen_.drawn, accounted) : accounted;
        if (reads->compared == 0) {
            Join(uncovered, std::string(path) + " never read" + (reads->why.empty() ? "" : " (" + reads->why + ")"));
        } else if (static_cast<double>(reads->notRead) > kNotReadShare * static_cast<double>(due)) {
            Join(uncovered, std::string(path) + " not read in " + Count(reads->notRead) + " of " + Count(due) +
                                " frames (" + reads->why + ")");
        }
    }
    diagnostics::ItemResult& screen = verdict.screen;
    Judge(screen, expectations_.Has(screen.id), true);
    if (screen.differed > 0) return;
    if (!uncovered.empty()) {
        screen.state = ItemState::NotCovered;
        screen.why = uncovered;
    } else if (!verdict.window.expected && screen.state == ItemState::Exact) {
        screen.state = ItemState::PrimaryOnly;
        screen.why = "no window to read: " + verdict.window.why;
    }
}

void Coverage::Fill(diagnostics::VerdictRecord& verdict) const {
    verdict.frames = frames_;
    verdict.framesCompared = framesCompared_;
    verdict.framesDiffering = framesDiffering_;
    verdict.framesNotRead = framesNotRead_;
    verdict.notReadWhy = notReadWhy_;
    verdict.framesNotCompared = framesNotCompared_;
    verdict.notComparedWhy = notComparedWhy_;
    verdict.hasFinding = hasFinding_;
    verdict.first = first_;
    verdict.expected.assign(expectations_.items.begin(), expectations_.items.end());
    verdict.kinds.assign(kinds_.begin(), kinds_.end());
    verdict.pictures.assign(pictures_.begin(), pictures_.end());
    verdict.screen = screen_;
    verdict.strays = strays_;
    verdict.counter = counter_;
    verdict.expectedNotDrawn.clear();

    bool unexpected = false, incomplete = frames_ == 0 || framesNotRead_ > 0;
    auto judge = [&](diagnostics::ItemResult& item, bool required) {
        Judge(item, expectations_.Has(item.id), required);
        unexpected |= item.state == ItemState::Differs || item.state == ItemState::UnexpectedlyExact;
        incomplete |= item.state == ItemState::NotCovered;
    };
    for (int k = 0; k < diagnostics::kDrawKinds; ++k) {
        diagnostics::ItemResult& kind = verdict.kinds[k];
        judge(kind, required_[k]);
        // One expectations file may serve several configurations: said, but no failure.
        if (kind.drawn == 0 && expectations_.Has(kind.id)) verdict.expectedNotDrawn.push_back(kind.id);
    }
    for (auto& picture : verdict.pictures) judge(picture, true);
    judge(verdict.strays, true);
    judge(verdict.counter, true);
    FillScreen(verdict);
    unexpected |= verdict.screen.state == ItemState::Differs || verdict.screen.state == ItemState::UnexpectedlyExact;
    incomplete |= verdict.screen.state == ItemState::NotCovered;
    verdict.outcome = unexpected   ? diagnostics::Outcome::Differs
                      : incomplete ? diagnostics::Outcome::Incomplete
                                   : diagnostics::Outcome::Exact;
    verdict.line = Line(verdict);
}

std::string Coverage::Line(const diagnostics::VerdictRecord& verdict) const {
    std::string line = "verified: ";
    if (frames_ == 0) {
        line += "no frame composed";
    } else if (framesDiffering_ > 0 && verdict.outcome == diagnostics::Outcome::Differs) {
        char head[256];
        std::snprintf(head, sizeof head,
                      "%" PRIu64 " of %" PRIu64 " frames differ (first: frame %" PRIu64 ", %s, %" PRIu64 " pixels)",
                      framesDiffering_, frames_, first_.frame, first_.step.c_str(), first_.pixels);
        line += head;
    } else if (framesDiffering_ > 0) {
        line += "as expected: " + Count(framesDiffering_) + " of " + Count(frames_) + " frames differ";
    } else if (verdict.outcome == diagnostics::Outcome::Exact && framesCompared_ == frames_) {
        line += "all " + Count(frames_) + " frames exact";
    } else {
        line += verdict.outcome == diagnostics::Outcome::Incomplete ? "incomplete: " : "";
        line += framesCompared_ == 0 ? "none of " + Count(frames_) + " frames compared"
                                     : Count(framesCompared_) + " of " + Count(frames_) + " frames compared, exact";
    }
    if (framesInPart_ > 0) line += " (" + Count(framesInPart_) + " compared only in part after a restoration)";
    if (framesNotCompared_ > 0)
        line += ", " + Count(framesNotCompared_) + " frames not compared (" + notComparedWhy_ + ")";
    if (framesNotRead_ > 0) line += ", " + Count(framesNotRead_) + " frames not read back (" + notReadWhy_ + ")";

    std::string missing, unexpectedlyExact;
    const bool noFireball = verdict.kinds[static_cast<int>(DrawKind::FireballUpDown)].state == ItemState::NotCovered &&
                            verdict.kinds[static_cast<int>(DrawKind::FireballBothWays)].state == ItemState::NotCovered;
    for (int k = 0; k < diagnostics::kDrawKinds; ++k) {
        const auto kind = static_cast<DrawKind>(k);
        const diagnostics::ItemResult& item = verdict.kinds[k];
        if (item.state == ItemState::UnexpectedlyExact) Join(unexpectedlyExact, item.id);
        if (item.state != ItemState::NotCovered || frames_ == 0) continue;
        if (noFireball && kind == DrawKind::FireballBothWays) continue;
        Join(missing, noFireball && kind == DrawKind::FireballUpDown ? "both fireball blits" : StepName(kind));
    }
    if (verdict.counter.state == ItemState::NotCovered && frames_ > 0) Join(missing, "the counter");
    if (!missing.empty()) {
        line += ", never " + std::string(framesNotRead_ > 0 ? "compared: " : "drawn: ") + missing;
        if (!lockstep_) line += " (try --lockstep)";
    }
    if (verdict.strays.differed > 0) line += ", stray writes in " + Count(verdict.strays.differed) + " frames";
    if (verdict.counter.differed > 0) line += ", the counter wrong in " + Count(verdict.counter.differed) + " frames";

    std::string picturesDiffer, picturesUnchecked, notDrawn;
    for (const auto& picture : verdict.pictures) {
        if (picture.state == ItemState::Differs) Join(picturesDiffer, picture.id);
        if (picture.state == ItemState::UnexpectedlyExact) Join(unexpectedlyExact, picture.id);
        if (picture.state == ItemState::NotCovered) Join(picturesUnchecked, picture.id + " (" + picture.why + ")");
    }
    for (const diagnostics::ItemResult* item : {&verdict.strays, &verdict.counter, &verdict.screen}) {
        if (item->state == ItemState::UnexpectedlyExact) Join(unexpectedlyExact, item->id);
    }
    for (const std::string& id : verdict.expectedNotDrawn) Join(notDrawn, id);
    if (!unexpectedlyExact.empty()) line += ", unexpectedly exact: " + unexpectedlyExact;
    if (!notDrawn.empty()) line += ", expected, not drawn in this run: " + notDrawn;
    if (!picturesDiffer.empty()) line += "; pictures differ: " + picturesDiffer;
    if (!picturesUnchecked.empty()) line += "; pictures not checked: " + picturesUnchecked;
    return line + "; screen: " + ScreenLine(verdict);
}

std::string Coverage::ScreenLine(const diagnostics::VerdictRecord& verdict) const {
    const auto reason = [](const std::string& why) { return " (" + (why.empty() ? "no frame shown" : why) + ")"; };
    const diagnostics::ScreenReads& primary = verdict.primary;
    const diagnostics::ScreenReads& window = verdict.window;
    if (primary.compared == 0) return "not read back" + reason(primary.why);
    std::string line = Count(primary.compared) + " frames checked on the primary surface";
    if (primary.notRead > 0) line += ", " + Count(primary.notRead) + " not read there" + reason(primary.why);
    if (!window.expected) {
        line += ", primary only (no window: " + window.why + ")";
    } else if (window.compared == 0) {
        line += ", the window not read back" + reason(window.why);
    } else {
        line += ", " + Count(window.compared) + " in the window";
        if (window.notRead > 0) line += ", " + Count(window.notRead) + " not read there" + reason(window.why);
    }
    if (verdict.screen.differed > 0) line += ", " + Count(verdict.screen.differed) + " differ";
    if (verdict.screen.state == ItemState::NotCovered) line += "; incomplete: " + verdict.screen.why;
    return line;
}

}  // namespace verify
