// The frame check's judgement: each composed frame, as read back from the back buffer, against the
// model's re-drawing of it; what reached the screen against the frame flipped; the pictures
// against what they were loaded from. A differing pixel is charged to the step of its frame that
// drew there; one that no step drew is left over from the step that first made it wrong in an
// earlier frame of the same buffer, when it still holds that wrong value, and is otherwise a stray
// write. Differences are reported in the trace and on the error stream, the first differing frame
// written as images, and every item's coverage kept for the verdict. No Windows header here; the
// reading back is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "run_diagnostics.h"
#include "verify/counter_check.h"
#include "verify/coverage.h"
#include "verify/frame_model.h"
#include "verify/window_mapping.h"

namespace verify {

struct PixelDifference {
    int x = 0, y = 0;
    std::uint32_t got = 0, expected = 0;
};

class FrameVerifier {
public:
    FrameVerifier();

    // A new run on a screen of this format: nothing checked yet.
    void StartRun(const ScreenFormat& format, int tileCount, bool lockstep, const Expectations& expectations);
    // A restoration: both buffers' contents are undefined from here. One during a frame (after
    // the run's first frame) leaves that frame nothing it can be compared on.
    void Restoration();

    // A picture as read back (`got`) against what it was loaded from; `against` names that, e.g.
    // "its resource".
    void ComparePicture(int picture, const char* against, const ConstImage& got, const ConstImage& expected);
    void PictureNotChecked(int picture, const char* why);

    // Frame `number` (as the frame trace counts it), drawn from `values`: first compared with
    // `got`, the back buffer while the caller holds it (only the rows that differ are copied), the
    // counter (null in a frame without one) judged and its box taken over; then, once the caller
    // has let go, judged.
    void CompareFrame(std::uint64_t number, const SceneValues& values, const Pictures& pictures, const ConstImage& got,
                      const CounterDrawn* counter);
    void JudgeFrame(std::uint64_t number);
    // A frame that could not be read back.
    void FrameNotRead(std::uint64_t number, const SceneValues& values, const char* why);

    // Whether the frame flipped as `number` is held, read back, for comparing the screen with.
    bool Holds(std::uint64_t number) const;
    // The primary surface after the flip of frame `number`, while the caller holds it.
    void ComparePrimary(std::uint64_t number, const ConstImage& primary);
    // The window's pixels once frame `number` was shown there.
    void CompareWindow(std::uint64_t number, const diagnostics::WindowImage& window);
    void ScreenNotRead(bool window, const char* why) { coverage_.ScreenNotRead(window, why); }
    Coverage& Items() { return coverage_; }

    // The CRC-32 of the last judged frame as read back and of its re-drawing, the counter's area
    // zeroed in both.
    void FrameCrcs(std::uint32_t& got, std::uint32_t& expected) const;

    void Fill(diagnostics::VerdictRecord& verdict) const { coverage_.Fill(verdict); }

    // For tests and measurements: what the last judged frame found.
    std::uint64_t LastFrameDifferences() const { return lastDifferences_; }
    FrameModel& Model() { return model_; }

private:
    // Differences of one frame charged to one step of it, to a kind that made them wrong in an
    // earlier frame, or to no step at all.
    struct StepTally {
        std::uint64_t pixels = 0;
        PixelDifference first;
    };
    static constexpr int kLeftOver = FrameModel::kMaxSteps;  // + the kind
    static constexpr int kStray = kLeftOver + diagnostics::kDrawKinds;
    static constexpr int kSlots = kStray + 1;
    // What each pixel of a buffer was charged to when it last differed: 0 nothing, else a kind
    // + 1, or kStrayCharge.
    static constexpr std::uint8_t kStrayCharge = 0xFF;

    const Pixel* FlippedRow(int buffer, int y) const;
    void ForgetCharges(int buffer);
    void TallyRow(int y);
    int KindIndexOf(int slot) const;  // diagnostics::kDrawKinds for a stray
    void JudgeCounter(std::uint64_t number, const CounterDrawn& counter, const ConstImage& got);
    void TraceDifference(std::uint64_t number, int main);
    diagnostics::Finding ScreenFinding(std::uint64_t number, std::uint64_t pixels, const PixelDifference& first,
                                       int bytesPerPixel, const std::uint32_t (&masks)[3]) const;
    void ReportScreen(std::uint64_t number, const char* read, const diagnostics::Finding& finding);
    diagnostics::Finding FindingOf(std::uint64_t number, int slot) const;
    void WriteFrameImages(std::uint64_t number, diagnostics::Finding& finding);

    ScreenFormat format_;
    Pixel key_ = 0;
    FrameModel model_;
    Coverage coverage_;
    CounterCheck counter_;
    bool restoredInFrame_ = false;
    bool frameImagesWritten_ = false, screenImagesWritten_ = false;
    int noticesLeft_ = 0;

    // Each buffer's frame as flipped: the re-drawing, but for rows that differed, copied here.
    std::vector<Pixel> copies_[2];
    std::vector<std::uint8_t> copied_[2];
    std::uint64_t held_[2] = {0, 0};  // the frame each buffer holds; 0: none known
    std::vector<int> differingRows_;  // this frame's, in order
    // Per buffer: each pixel's charge and the wrong value it held then, in the rows listed.
    std::vector<std::uint8_t> charges_[2];
    std::vector<Pixel> chargedValues_[2];
    std::vector<int> chargedRows_[2];
    std::vector<std::uint8_t> rowCharged_[2];

    // The frame being judged.
    int buffer_ = 0;
    Rect textBox_;
    bool compared_ = false, whole_ = true, leftOut_ = false;
    StepTally tallies_[kSlots];
    std::uint64_t lastDifferences_ = 0;
    WindowMapping mapping_;
    std::vector<std::uint32_t> wideExpected_;  // the window as a right display path shows the frame
};

}  // namespace verify
