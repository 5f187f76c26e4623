#include "verify/frame_verifier.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "run_diagnostics.h"

namespace verify {
namespace {

constexpr int kNoticedFrames = 5;  // differing frames named on the error stream; the trace has all

// Appends to a zero-terminated text of `size` bytes, cutting what does not fit.
void Append(char* text, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
void Append(char* text, std::size_t size, const char* format, ...) {
    const std::size_t used = std::strlen(text);
    if (used + 1 >= size) return;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text + used, size - used, format, arguments);
    va_end(arguments);
}

// 1204 -> "1,204".
const char* Grouped(std::uint64_t value, char (&text)[32]) {
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%" PRIu64, value);
    int out = 0;
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0) text[out++] = ',';
        text[out++] = digits[i];
    }
    text[out] = '\0';
    return text;
}

// The box and, around it, as far again as it is high: where glyphs drawn beyond the box land.
Rect AroundText(const Rect& box) {
    const int margin = box.Height();
    return Rect{box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
}

}  // namespace

FrameVerifier::FrameVerifier() { StartRun(ScreenFormat(0xF800, 0x07E0, 0x001F)); }

void FrameVerifier::StartRun(const ScreenFormat& format) {
    format_ = format;
    key_ = format.FromRgb(0, 255, 0);  // pure green, the program's colour key
    model_.Reset();
    frames_ = framesDiffering_ = framesInPart_ = framesNotRead_ = 0;
    restoredInFrame_ = false;
    imagesWritten_ = false;
    noticesLeft_ = kNoticedFrames;
    firstFrame_ = firstPixels_ = 0;
    firstStep_ = nullptr;
    pictureFindings_[0] = '\0';
    picturesNotChecked_ = 0;
    lastDifferences_ = 0;
}

void FrameVerifier::Restoration() {
    model_.ForgetBuffers();
    if (frames_ > 0) restoredInFrame_ = true;
}

void FrameVerifier::PictureDiffers(const char* name, const char* what, std::uint64_t pixels,
                                   const PixelDifference& first) {
    char count[32];
    char line[256];
    std::snprintf(line, sizeof line,
                  "pictures: %s differs from %s at %s pixels (first (%d,%d): got 0x%04X, expected 0x%04X)", name, what,
                  Grouped(pixels, count), first.x, first.y, first.got, first.expected);
    diagnostics::Notice(line);
    std::snprintf(line, sizeof line,
                  "{\"type\":\"verify\",\"picture\":\"%s\",\"against\":\"%s\",\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"expected\":\"0x%04X\"}",
                  name, what, pixels, first.x, first.y, first.got, first.expected);
    diagnostics::TraceLine(line);
    if (std::strstr(pictureFindings_, name) == nullptr) {
        Append(pictureFindings_, sizeof pictureFindings_, "%s%s", pictureFindings_[0] != '\0' ? ", " : "", name);
    }
}

void FrameVerifier::PictureNotChecked(const char* name, const char* why) {
    char line[256];
    std::snprintf(line, sizeof line, "pictures: %s not checked: %s", name, why);
    diagnostics::Notice(line);
    std::snprintf(line, sizeof line, "{\"type\":\"verify\",\"picture\":\"%s\",\"unchecked\":\"%s\"}", name, why);
    diagnostics::TraceLine(line);
    ++picturesNotChecked_;
}

void FrameVerifier::FrameNotRead(std::uint64_t number, const char* why) {
    ++frames_;
    ++framesNotRead_;
    // What this frame drew is unknown from here on.
    model_.ForgetBuffers();
    char line[192];
    std::snprintf(line, sizeof line, "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"unread\":\"%s\"}", number, why);
    diagnostics::TraceLine(line);
}

void FrameVerifier::Tally(int x, int y, Pixel got, Pixel expected, const Rect& textBox) {
    // The last step whose rectangle covers the pixel: it wrote it last, or its key left it.
    int slot = model_.CoveringStep(x, y);
    // The text is drawn last, so next to its box it is the likeliest author.
    if (textBox.Width() > 0 && AroundText(textBox).Contains(x, y)) {
        slot = FrameModel::kMaxSteps + 1;
    } else if (slot < 0) {
        slot = FrameModel::kMaxSteps;
    }
    StepTally& tally = tallies_[slot];
    if (tally.pixels++ == 0) tally.first = PixelDifference{x, y, got, expected};
    ++lastDifferences_;
}

void FrameVerifier::CheckFrame(std::uint64_t number, const SceneValues& values, const Pictures& pictures,
                               const ConstImage& got, const Rect& textBox) {
    ++frames_;
    const int buffer = static_cast<int>(frames_ & 1u);
    model_.Redraw(buffer, values, key_, pictures);
    const Image expected = model_.Belief(buffer);
    // The counter's glyphs come from the system's fonts: its box is taken over as it was drawn.
    const Rect box{std::max(textBox.left, 0), std::max(textBox.top, 0), std::min(textBox.right, expected.width),
                   std::min(textBox.bottom, expected.height)};
    for (int y = box.top; y < box.bottom && box.left < box.right; ++y) {
        std::memcpy(expected.Row(y) + box.left, got.Row(y) + box.left, sizeof(Pixel) * box.Width());
    }

    const bool restored = restoredInFrame_;
    restoredInFrame_ = false;
    const bool whole = model_.Defined(buffer);
    const int slots = FrameModel::kMaxSteps + 2;
    for (int i = 0; i < slots; ++i) tallies_[i].pixels = 0;
    lastDifferences_ = 0;
    bool leftOut = restored;
    if (!restored) {
        const std::size_t rowBytes = sizeof(Pixel) * static_cast<std::size_t>(expected.width);
        for (int y = 0; y < expected.height; ++y) {
            const Pixel* e = expected.Row(y);
            const Pixel* g = got.Row(y);
            if (whole) {
                if (std::memcmp(e, g, rowBytes) == 0) continue;
                for (int x = 0; x < expected.width; ++x) {
                    if (e[x] != g[x]) Tally(x, y, g[x], e[x], box);
                }
            } else {
                // After a restoration only what this frame drew is known.
                for (int x = 0; x < expected.width; ++x) {
                    if (model_.OwnerAt(x, y) < 0 && !box.Contains(x, y)) {
                        leftOut = true;
                    } else if (e[x] != g[x]) {
                        Tally(x, y, g[x], e[x], box);
                    }
                }
            }
        }
    }
    if (leftOut) ++framesInPart_;
    if (lastDifferences_ > 0) {
        ++framesDiffering_;
        Report(number);
        if (!imagesWritten_) WriteImages(number, got);
    }
    // What the check could not know is taken over as the buffer holds it: everything when a
    // restoration came during this frame, else the pixels this frame did not draw into a buffer
    // known only in part. Differences are not: the belief stays the picture a right display path
    // shows, so a wrong pixel that stays on screen makes every later frame that shows it differ.
    if (restored || !whole) {
        for (int y = 0; y < expected.height; ++y) {
            Pixel* e = expected.Row(y);
            const Pixel* g = got.Row(y);
            for (int x = 0; x < expected.width; ++x) {
                if (restored || model_.OwnerAt(x, y) < 0) e[x] = g[x];
            }
        }
        model_.SetDefined(buffer);
    }
}

void FrameVerifier::Report(std::uint64_t number) {
    // The line names this frame's step with the most differing pixels; what earlier frames left
    // only when no step of this frame drew a difference.
    const int slots = FrameModel::kMaxSteps + 2;
    int main = FrameModel::kMaxSteps;
    for (int i = 0; i < slots; ++i) {
        if (i == FrameModel::kMaxSteps || tallies_[i].pixels == 0) continue;
        if (main == FrameModel::kMaxSteps || tallies_[i].pixels > tallies_[main].pixels) main = i;
    }
    auto kindOf = [&](int slot) {
        if (slot == FrameModel::kMaxSteps) return StepKind::EarlierContent;
        if (slot == FrameModel::kMaxSteps + 1) return StepKind::CounterText;
        return model_.Steps()[slot].kind;
    };
    auto rectOf = [&](int slot) {
        if (slot < FrameModel::kMaxSteps) return model_.Steps()[slot].rect;
        return Rect{0, 0, kScreenWidth, kScreenHeight};
    };
    const StepTally& top = tallies_[main];
    const Rect rect = rectOf(main);
    const char* name = StepName(kindOf(main));

    // The other steps' differences, summed by kind.
    std::uint64_t byKind[static_cast<int>(StepKind::CounterText) + 1] = {};
    for (int i = 0; i < slots; ++i) {
        if (i != main && (i >= FrameModel::kMaxSteps || i < model_.StepCount())) {
            byKind[static_cast<int>(kindOf(i))] += tallies_[i].pixels;
        }
    }
    char line[1536];
    std::snprintf(line, sizeof line,
                  "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"step\":\"%s\",\"rect\":[%d,%d,%d,%d],\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"expected\":\"0x%04X\",\"frame_pixels\":%" PRIu64
                  ",\"others\":[",
                  number, name, rect.left, rect.top, rect.right, rect.bottom, top.pixels, top.first.x, top.first.y,
                  top.first.got, top.first.expected, lastDifferences_);
    bool any = false;
    for (int k = 0; k <= static_cast<int>(StepKind::CounterText); ++k) {
        if (byKind[k] == 0) continue;
        Append(line, sizeof line, "%s{\"step\":\"%s\",\"pixels\":%" PRIu64 "}", any ? "," : "",
               StepName(static_cast<StepKind>(k)), byKind[k]);
        any = true;
    }
    Append(line, sizeof line, "]}");
    diagnostics::TraceLine(line);

    if (firstStep_ == nullptr) {
        firstFrame_ = number;
        firstStep_ = name;
        firstPixels_ = top.pixels;
    }
    if (noticesLeft_ > 0) {
        char count[32], all[32];
        std::snprintf(line, sizeof line,
                      "frame %" PRIu64
                      " differs from its re-drawing at %s pixels: %s at (%d,%d)-(%d,%d), %s pixels "
                      "(first (%d,%d): got 0x%04X, expected 0x%04X)",
                      number, Grouped(lastDifferences_, all), name, rect.left, rect.top, rect.right, rect.bottom,
                      Grouped(top.pixels, count), top.first.x, top.first.y, top.first.got, top.first.expected);
        diagnostics::Notice(line);
        if (--noticesLeft_ == 0) diagnostics::Notice("further differing frames are named in the trace only");
    }
}

void FrameVerifier::WriteImages(std::uint64_t number, const ConstImage& got) {
    imagesWritten_ = true;
    const Image expected = model_.Belief(static_cast<int>(frames_ & 1u));
    diffImage_.resize(static_cast<std::size_t>(expected.width) * static_cast<std::size_t>(expected.height));
    // Matching pixels dimmed to half, differing ones pure red.
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    const Pixel red = format_.FromRgb(255, 0, 0);
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const Pixel g = got.At(x, y);
            Pixel dim = 0;
            for (std::uint32_t mask : masks) dim |= static_cast<Pixel>(((g & mask) >> 1) & mask);
            diffImage_[static_cast<std::size_t>(y) * expected.width + x] = g != expected.Row(y)[x] ? red : dim;
        }
    }
    const struct {
        const char* suffix;
        ConstImage image;
    } images[] = {{"got", got},
                  {"expected", expected},
                  {"differences", ConstImage(diffImage_.data(), expected.width, expected.height, expected.width)}};
    char paths[3][512] = {};
    for (int i = 0; i < 3; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "verify-frame-%" PRIu64 "-%s", number, images[i].suffix);
        if (!diagnostics::WriteImage(name, images[i].image.pixels, images[i].image.width, images[i].image.height,
                                     static_cast<int>(images[i].image.pitch), masks[0], masks[1], masks[2], paths[i],
                                     sizeof paths[i])) {
            return;
        }
    }
    char line[1700];
    std::snprintf(line, sizeof line, "frame %" PRIu64 " written as %s (got), %s (expected) and %s (differences in red)",
                  number, paths[0], paths[1], paths[2]);
    diagnostics::Notice(line);
}

bool FrameVerifier::WriteVerdict(char* text, std::size_t size) const {
    if (text == nullptr || size == 0) return false;
    text[0] = '\0';
    const std::uint64_t read = frames_ - framesNotRead_;
    if (frames_ == 0) {
        Append(text, size, "verified: no frame composed");
    } else if (framesDiffering_ == 0 && framesNotRead_ == 0) {
        Append(text, size, "verified: all %" PRIu64 " frames exact", frames_);
    } else if (framesDiffering_ == 0) {
        Append(text, size, "verified: %" PRIu64 " of %" PRIu64 " frames exact", read, frames_);
    } else {
        Append(text, size,
               "verified: %" PRIu64 " of %" PRIu64 " frames differ (first: frame %" PRIu64 ", %s, %" PRIu64 " pixels)",
               framesDiffering_, frames_, firstFrame_, firstStep_, firstPixels_);
    }
    if (framesInPart_ > 0) {
        Append(text, size, " (%" PRIu64 " compared only in part after a restoration)", framesInPart_);
    }
    if (framesNotRead_ > 0) Append(text, size, ", %" PRIu64 " not read back", framesNotRead_);
    if (pictureFindings_[0] != '\0') Append(text, size, "; pictures differ: %s", pictureFindings_);
    if (picturesNotChecked_ > 0) Append(text, size, "; %d picture loads not checked", picturesNotChecked_);
    return framesDiffering_ > 0 || pictureFindings_[0] != '\0';
}

}  // namespace verify
