#include "verify/coverage.h"

#include <cinttypes>
#include <cstdio>

#include "verify/frame_model.h"

namespace verify {
namespace {

using diagnostics::DrawKind;
using diagnostics::ItemState;

std::string Count(std::uint64_t value) { return std::to_string(value); }

void Join(std::string& list, const std::string& item) { list += (list.empty() ? "" : ", ") + item; }

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
}

void Coverage::KindDrawn(DrawKind kind, bool compared) {
    diagnostics::ItemResult& item = kinds_[static_cast<int>(kind)];
    ++item.drawn;
    if (compared) ++item.compared;
}

void Coverage::KindDiffered(DrawKind kind, const diagnostics::Finding& finding) {
    diagnostics::ItemResult& item = kinds_[static_cast<int>(kind)];
    if (item.differed++ == 0) {
        item.hasFinding = true;
        item.first = finding;
    }
}

void Coverage::FrameNotRead(const char* why) {
    if (framesNotRead_++ == 0) notReadWhy_ = why;
}

void Coverage::FrameDiffered(const diagnostics::Finding& finding, bool accounted) {
    if (!accounted) ++framesUnaccounted_;
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
    if (difference != nullptr && item.differed++ == 0) {
        item.hasFinding = true;
        item.first = *difference;
    }
}

void Coverage::PictureNotChecked(int picture, const char* why) {
    diagnostics::ItemResult& item = pictures_[picture];
    ++item.drawn;
    if (item.why.empty()) item.why = why;
}

void Coverage::ExpectWindow(bool expected, const std::string& whyNoWindow) {
    windowExpected_ = expected;
    whyNoWindow_ = whyNoWindow;
}

void Coverage::ScreenCompared(bool window, const diagnostics::Finding* difference) {
    ++screen_.compared;
    ++screenCompared_[window ? 1 : 0];
    if (difference == nullptr) return;
    if (screen_.differed++ == 0) {
        screen_.hasFinding = true;
        screen_.first = *difference;
    }
    FrameDiffered(*difference, true);
}

void Coverage::ScreenNotRead(bool window, const char* why) {
    if (screenWhy_[window ? 1 : 0].empty()) screenWhy_[window ? 1 : 0] = why;
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

void Coverage::Fill(diagnostics::VerdictRecord& verdict) const {
    verdict.frames = frames_;
    verdict.framesCompared = framesCompared_;
    verdict.framesDiffering = framesDiffering_;
    verdict.framesNotRead = framesNotRead_;
    verdict.notReadWhy = notReadWhy_;
    verdict.hasFinding = hasFinding_;
    verdict.first = first_;
    verdict.expected.assign(expectations_.items.begin(), expectations_.items.end());
    verdict.kinds.assign(kinds_.begin(), kinds_.end());
    verdict.pictures.assign(pictures_.begin(), pictures_.end());
    verdict.screen = screen_;

    const bool screenCovered = screenCompared_[0] > 0 && (!windowExpected_ || screenCompared_[1] > 0);
    verdict.screen.why = screenCompared_[0] == 0 ? screenWhy_[0] : screenCovered ? whyNoWindow_ : screenWhy_[1];
    bool unexpected = framesUnaccounted_ > 0, incomplete = frames_ == 0 || framesNotRead_ > 0;
    // `covered`: compared wherever this run must compare it (the screen: on the primary surface,
    // and in the window where there is one to read).
    auto judge = [&](diagnostics::ItemResult& item, bool required, bool covered) {
        Judge(item, expectations_.Has(item.id), required);
        if (!covered && item.differed == 0) item.state = ItemState::NotCovered;
        unexpected |= item.state == ItemState::Differs || item.state == ItemState::UnexpectedlyExact;
        incomplete |= item.state == ItemState::NotCovered;
    };
    for (int k = 0; k < diagnostics::kDrawKinds; ++k) judge(verdict.kinds[k], required_[k], true);
    for (auto& picture : verdict.pictures) judge(picture, true, true);
    judge(verdict.screen, true, screenCovered);
    verdict.outcome = unexpected ? diagnostics::Outcome::Differs
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
        std::snprintf(head, sizeof head, "%" PRIu64 " of %" PRIu64 " frames differ (first: frame %" PRIu64 ", %s, %" PRIu64
                      " pixels)", framesDiffering_, frames_, first_.frame, first_.step.c_str(), first_.pixels);
        line += head;
    } else if (framesDiffering_ > 0) {
        line += "as expected: " + Count(framesDiffering_) + " of " + Count(frames_) + " frames differ";
    } else if (verdict.outcome == diagnostics::Outcome::Exact) {
        line += "all " + Count(frames_) + " frames exact";
    } else {
        line += (verdict.outcome == diagnostics::Outcome::Incomplete ? "incomplete: " : "") + Count(framesCompared_) +
                " frames exact";
    }
    if (framesInPart_ > 0) line += " (" + Count(framesInPart_) + " compared only in part after a restoration)";
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
    if (!missing.empty()) {
        line += ", never " + std::string(framesNotRead_ > 0 ? "compared: " : "drawn: ") + missing;
        if (!lockstep_) line += " (try --lockstep)";
    }

    std::string picturesDiffer, picturesUnchecked;
    for (const auto& picture : verdict.pictures) {
        if (picture.state == ItemState::Differs) Join(picturesDiffer, picture.id);
        if (picture.state == ItemState::UnexpectedlyExact) Join(unexpectedlyExact, picture.id);
        if (picture.state == ItemState::NotCovered) Join(picturesUnchecked, picture.id + " (" + picture.why + ")");
    }
    if (verdict.screen.state == ItemState::UnexpectedlyExact) Join(unexpectedlyExact, verdict.screen.id);
    if (!unexpectedlyExact.empty()) line += ", unexpectedly exact: " + unexpectedlyExact;
    if (!picturesDiffer.empty()) line += "; pictures differ: " + picturesDiffer;
    if (!picturesUnchecked.empty()) line += "; pictures not checked: " + picturesUnchecked;

    line += "; screen: ";
    const auto reason = [](const std::string& why) { return " (" + (why.empty() ? "no frame shown" : why) + ")"; };
    if (screenCompared_[0] == 0) {
        line += "not read back" + reason(screenWhy_[0]);
    } else {
        line += Count(screenCompared_[0]) + " frames checked on the primary surface";
        if (windowExpected_) {
            line += screenCompared_[1] > 0 ? ", " + Count(screenCompared_[1]) + " in the window"
                                           : ", the window not read back" + reason(screenWhy_[1]);
        } else {
            line += ", no window (" + whyNoWindow_ + ")";
        }
        if (screen_.differed > 0) line += ", " + Count(screen_.differed) + " differ";
    }
    return line;
}

}  // namespace verify
