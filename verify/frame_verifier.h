// The frame check's judgement: each composed frame, as read back from the back buffer, against the
// model's re-drawing of it; differences put down to the draw step that made them, reported in the
// trace and on the error stream, the first differing frame written as three images, and the
// verdict for the summary. The pictures' own check (against the resources) reports here too.
// No Windows header here; the reading back is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "verify/frame_model.h"

namespace verify {

// One pixel that differs.
struct PixelDifference {
    int x = 0, y = 0;
    Pixel got = 0, expected = 0;
};

class FrameVerifier {
public:
    FrameVerifier();

    // A new run on a screen of this format: nothing checked yet.
    void StartRun(const ScreenFormat& format);
    // A restoration: both buffers' contents are undefined from here. One during a frame (after
    // the run's first frame) leaves that frame nothing it can be compared on.
    void Restoration();

    // A picture that differs from what it was loaded from; `what` names the source, e.g.
    // "its resource".
    void PictureDiffers(const char* name, const char* what, std::uint64_t pixels, const PixelDifference& first);
    // A picture that could not be read back or whose source could not be read.
    void PictureNotChecked(const char* name, const char* why);

    // Checks frame `number` (as the frame trace counts it), drawn from `values`, against `got`, the
    // back buffer read back; the counter's text box is left out and taken over.
    void CheckFrame(std::uint64_t number, const SceneValues& values, const Pictures& pictures, const ConstImage& got,
                    const Rect& textBox);
    // A frame that could not be read back.
    void FrameNotRead(std::uint64_t number, const char* why);

    bool WriteVerdict(char* text, std::size_t size) const;

    // For tests and measurements: what the last checked frame found.
    std::uint64_t LastFrameDifferences() const { return lastDifferences_; }
    FrameModel& Model() { return model_; }

private:
    struct StepTally {
        std::uint64_t pixels = 0;
        PixelDifference first;
    };
    void Tally(int x, int y, Pixel got, Pixel expected, const Rect& textBox);
    void Report(std::uint64_t number);
    void WriteImages(std::uint64_t number, const ConstImage& got);

    ScreenFormat format_;
    Pixel key_ = 0;
    FrameModel model_;
    std::uint64_t frames_ = 0;  // checked or not, this run
    std::uint64_t framesDiffering_ = 0;
    std::uint64_t framesInPart_ = 0;
    std::uint64_t framesNotRead_ = 0;
    bool restoredInFrame_ = false;
    bool imagesWritten_ = false;
    int noticesLeft_ = 0;
    std::uint64_t firstFrame_ = 0;
    const char* firstStep_ = nullptr;
    std::uint64_t firstPixels_ = 0;
    char pictureFindings_[160] = "";  // the pictures that differed, by name
    int picturesNotChecked_ = 0;
    // This frame's differences by step index; the two last entries are the buffer's earlier
    // content and the counter text outside its box.
    StepTally tallies_[FrameModel::kMaxSteps + 2];
    std::uint64_t lastDifferences_ = 0;
    std::vector<Pixel> diffImage_;  // made at the first differing frame only
};

}  // namespace verify
