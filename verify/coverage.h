// What the frame check covered and what it found, item by item: each kind of draw step, stray
// writes, the counter, each picture and the screen; and from that the verdict. "Exact" needs every
// item this run must cover to have been compared and found exact (or differing as the
// expectations say); an item never compared, or a screen too often not read, makes the verdict
// incomplete, never exact. No Windows header here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "verdict.h"
#include "verify/expectations.h"

namespace verify {

class Coverage {
public:
    // A new run: tiles or none decide which kinds it must draw.
    void Start(int tileCount, bool lockstep, const Expectations& expectations);

    // Frame kinds: each kind drawn by a frame counts once, compared when the frame was read back.
    void KindDrawn(diagnostics::DrawKind kind, bool compared);
    void KindDiffered(diagnostics::DrawKind kind, const diagnostics::Finding& finding);
    // Differing pixels of a compared frame that nothing drew there.
    void StrayWrite(const diagnostics::Finding& finding);
    // The counter's text as drawn in a compared frame; `difference` when it is not as it must be.
    void CounterCompared(const diagnostics::Finding* difference);

    void FrameComposed() { ++frames_; }
    void FrameCompared();
    void FrameNotRead(const char* why);
    // A frame read back but not compared at all (a restoration during it left nothing known).
    void FrameNotCompared(const char* why);
    // A frame compared only where it drew, after a restoration left the rest unknown.
    void FrameInPart() { ++framesInPart_; }
    void FrameDiffered(const diagnostics::Finding& finding);

    void PictureCompared(int picture, const diagnostics::Finding* difference);
    void PictureNotChecked(int picture, const char* why);

    // The screen: the primary surface after each flip and, where the target reads one back, the
    // window the frames are shown in; `whyNoWindow` says why there is none to read.
    void ExpectWindow(bool expected, const std::string& whyNoWindow);
    void ScreenShown() { ++screen_.drawn; }
    void ScreenCompared(bool window, const diagnostics::Finding* difference);
    void ScreenNotRead(bool window, const char* why);

    std::uint64_t Frames() const { return frames_; }
    void Fill(diagnostics::VerdictRecord& verdict) const;

    // More than this share of the frames due on a screen path not read leaves it incomplete.
    static constexpr double kNotReadShare = 0.01;

private:
    static void Judge(diagnostics::ItemResult& item, bool expected, bool required);
    void FillScreen(diagnostics::VerdictRecord& verdict) const;
    std::string Line(const diagnostics::VerdictRecord& verdict) const;
    std::string ScreenLine(const diagnostics::VerdictRecord& verdict) const;

    Expectations expectations_;
    bool lockstep_ = false;
    std::array<diagnostics::ItemResult, diagnostics::kDrawKinds> kinds_;
    std::array<bool, diagnostics::kDrawKinds> required_{};
    std::array<diagnostics::ItemResult, 4> pictures_;
    diagnostics::ItemResult screen_, strays_, counter_;
    diagnostics::ScreenReads reads_[2];  // [0] the primary surface, [1] the window
    std::uint64_t frames_ = 0, framesCompared_ = 0, framesDiffering_ = 0, framesNotRead_ = 0;
    std::uint64_t framesInPart_ = 0, framesNotCompared_ = 0;
    std::uint64_t lastDiffering_ = 0;  // the frame that differed last
    std::string notReadWhy_, notComparedWhy_;
    bool hasFinding_ = false;
    diagnostics::Finding first_;
};

}  // namespace verify
