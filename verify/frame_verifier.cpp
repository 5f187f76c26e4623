#include "verify/frame_verifier.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "verify/rgb_image.h"
#include "verify/window_mapping.h"

namespace verify {
namespace {

constexpr int kNoticedFrames = 5;  // differing frames named on the error stream; the trace has all

// 1204 -> "1,204".
std::string Grouped(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

// The box and, around it, as far again as it is high: where glyphs drawn beyond the box land.
Rect AroundText(const Rect& box) {
    const int margin = box.Height();
    return Rect{box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
}

Rect OnScreen(const Rect& r) {
    return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, kScreenWidth),
                std::min(r.bottom, kScreenHeight)};
}

constexpr std::size_t kRowBytes = sizeof(Pixel) * kScreenWidth;

// A finding of `pixels` differing pixels, the first one given, in a layout of these masks.
diagnostics::Finding MakeFinding(std::uint64_t frame, std::string step, const PixelDifference& first,
                                 std::uint64_t pixels, int bytesPerPixel, const std::uint32_t (&masks)[3]) {
    diagnostics::Finding finding;
    finding.frame = frame;
    finding.step = std::move(step);
    finding.x = first.x;
    finding.y = first.y;
    finding.got = first.got;
    finding.expected = first.expected;
    finding.pixels = pixels;
    finding.bytesPerPixel = bytesPerPixel;
    finding.redMask = masks[0];
    finding.greenMask = masks[1];
    finding.blueMask = masks[2];
    return finding;
}

}  // namespace

FrameVerifier::FrameVerifier() {
    for (int b = 0; b < 2; ++b) {
        copies_[b].assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
        copied_[b].assign(kScreenHeight, 0);
    }
    differingRows_.reserve(kScreenHeight);
    StartRun(ScreenFormat(0xF800, 0x07E0, 0x001F), 0, false, Expectations{});
}

void FrameVerifier::StartRun(const ScreenFormat& format, int tileCount, bool lockstep,
                             const Expectations& expectations) {
    format_ = format;
    key_ = format.FromRgb(0, 255, 0);  // pure green, the program's colour key
    model_.Reset();
    coverage_.Start(tileCount, lockstep, expectations);
    restoredInFrame_ = false;
    frameImagesWritten_ = screenImagesWritten_ = false;
    noticesLeft_ = kNoticedFrames;
    held_[0] = held_[1] = 0;
    lastDifferences_ = 0;
}

void FrameVerifier::Restoration() {
    model_.ForgetBuffers();
    held_[0] = held_[1] = 0;
    if (coverage_.Frames() > 0) restoredInFrame_ = true;
}

void FrameVerifier::ComparePicture(int picture, const char* against, const ConstImage& got,
                                   const ConstImage& expected) {
    std::uint64_t pixels = 0;
    PixelDifference first;
    for (int y = 0; y < got.height; ++y) {
        const Pixel* g = got.Row(y);
        const Pixel* e = expected.Row(y);
        if (std::memcmp(g, e, sizeof(Pixel) * static_cast<std::size_t>(got.width)) == 0) continue;
        for (int x = 0; x < got.width; ++x) {
            if (g[x] != e[x] && pixels++ == 0) first = PixelDifference{x, y, g[x], e[x]};
        }
    }
    if (pixels == 0) {
        coverage_.PictureCompared(picture, nullptr);
        return;
    }
    const char* name = diagnostics::kPictureIds[picture];
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    const diagnostics::Finding finding =
        MakeFinding(0, std::string(name) + " against " + against, first, pixels, 2, masks);
    coverage_.PictureCompared(picture, &finding);
    char line[256];
    std::snprintf(line, sizeof line,
                  "pictures: %s differs from %s at %s pixels (first (%d,%d): got 0x%04X, expected 0x%04X)", name,
                  against, Grouped(pixels).c_str(), first.x, first.y, first.got, first.expected);
    diagnostics::Notice(line);
    std::snprintf(line, sizeof line,
                  "{\"type\":\"verify\",\"picture\":\"%s\",\"against\":\"%s\",\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"expected\":\"0x%04X\"}",
                  name, against, pixels, first.x, first.y, first.got, first.expected);
    diagnostics::TraceLine(line);
}

void FrameVerifier::PictureNotChecked(int picture, const char* why) {
    coverage_.PictureNotChecked(picture, why);
    const char* name = diagnostics::kPictureIds[picture];
    char line[256];
    std::snprintf(line, sizeof line, "pictures: %s not checked: %s", name, why);
    diagnostics::Notice(line);
    std::snprintf(line, sizeof line, "{\"type\":\"verify\",\"picture\":\"%s\",\"unchecked\":\"%s\"}", name, why);
    diagnostics::TraceLine(line);
}

void FrameVerifier::FrameNotRead(std::uint64_t number, const SceneValues& values, const char* why) {
    // The frame is re-drawn all the same, so the erase history moves on as the composer's does,
    // but what its buffer holds is unknown from here.
    const int buffer = static_cast<int>(number & 1u);
    coverage_.FrameComposed();
    coverage_.FrameNotRead(why);
    model_.Redraw(buffer, values, key_, Pictures{});
    model_.Forget(buffer);
    for (int i = 0; i < model_.StepCount(); ++i) coverage_.KindDrawn(model_.Steps()[i].kind, false);
    held_[buffer] = 0;
    restoredInFrame_ = false;
    char line[192];
    std::snprintf(line, sizeof line, "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"unread\":\"%s\"}", number, why);
    diagnostics::TraceLine(line);
}

void FrameVerifier::CompareFrame(std::uint64_t number, const SceneValues& values, const Pictures& pictures,
                                 const ConstImage& got, const Rect& textBox) {
    buffer_ = static_cast<int>(number & 1u);
    coverage_.FrameComposed();
    model_.Redraw(buffer_, values, key_, pictures);
    const Image expected = model_.Belief(buffer_);
    // The counter's glyphs come from the system's fonts: its box is taken over as it was drawn.
    textBox_ = OnScreen(textBox);
    for (int y = textBox_.top; y < textBox_.bottom && textBox_.left < textBox_.right; ++y) {
        std::memcpy(expected.Row(y) + textBox_.left, got.Row(y) + textBox_.left, sizeof(Pixel) * textBox_.Width());
    }
    model_.Overwritten(buffer_, textBox_);

    const bool restored = restoredInFrame_;
    restoredInFrame_ = false;
    whole_ = model_.Defined(buffer_);
    leftOut_ = restored;
    // Both ways below take pixels over from the frame.
    if (restored || !whole_) model_.Overwritten(buffer_, Rect{0, 0, kScreenWidth, kScreenHeight});
    differingRows_.clear();
    std::memset(copied_[buffer_].data(), 0, copied_[buffer_].size());
    for (int y = 0; y < kScreenHeight; ++y) {
        Pixel* e = expected.Row(y);
        const Pixel* g = got.Row(y);
        if (restored) {
            // A restoration during this frame left nothing to compare on: all is taken over.
            std::memcpy(e, g, kRowBytes);
            continue;
        }
        if (!whole_) {
            // After a restoration only what this frame drew is known; the rest is taken over.
            for (int x = 0; x < kScreenWidth; ++x) {
                if (model_.OwnerAt(x, y) < 0 && !textBox_.Contains(x, y)) {
                    leftOut_ |= e[x] != g[x];
                    e[x] = g[x];
                }
            }
        }
        if (std::memcmp(e, g, kRowBytes) == 0) continue;
        std::memcpy(copies_[buffer_].data() + static_cast<std::size_t>(y) * kScreenWidth, g, kRowBytes);
        copied_[buffer_][y] = 1;
        differingRows_.push_back(y);
    }
    model_.SetDefined(buffer_);
    held_[buffer_] = number;
    // Each kind counts once per frame that drew it.
    bool seen[diagnostics::kDrawKinds] = {};
    for (int i = 0; i < model_.StepCount(); ++i) {
        const int kind = static_cast<int>(model_.Steps()[i].kind);
        if (!seen[kind]) coverage_.KindDrawn(model_.Steps()[i].kind, !restored);
        seen[kind] = true;
    }
}

const Pixel* FrameVerifier::FlippedRow(int buffer, int y) const {
    if (copied_[buffer][y] != 0) return copies_[buffer].data() + static_cast<std::size_t>(y) * kScreenWidth;
    return const_cast<FrameModel&>(model_).Belief(buffer).Row(y);
}

void FrameVerifier::TallyRow(int y) {
    const Pixel* g = FlippedRow(buffer_, y);
    const Pixel* e = model_.Belief(buffer_).Row(y);
    const bool nearText = textBox_.Width() > 0;
    const Rect around = AroundText(textBox_);
    for (int x = 0; x < kScreenWidth; ++x) {
        if (g[x] == e[x]) continue;
        // The last step whose rectangle covers the pixel: it wrote it last, or its key left it.
        // The text is drawn last, so next to its box it is the likeliest author.
        int slot = model_.CoveringStep(x, y);
        if (nearText && around.Contains(x, y)) {
            slot = kCounterText;
        } else if (slot < 0) {
            slot = kEarlierContent;
        }
        StepTally& tally = tallies_[slot];
        if (tally.pixels++ == 0) tally.first = PixelDifference{x, y, g[x], e[x]};
        ++lastDifferences_;
    }
}

void FrameVerifier::JudgeFrame(std::uint64_t number) {
    for (StepTally& tally : tallies_) tally.pixels = 0;
    lastDifferences_ = 0;
    for (int y : differingRows_) TallyRow(y);
    coverage_.FrameCompared();
    if (leftOut_) coverage_.FrameInPart();
    if (lastDifferences_ == 0) return;

    // The line names this frame's step with the most differing pixels; what earlier frames left
    // only when no step of this frame drew a difference.
    int main = kEarlierContent;
    for (int i = 0; i < kSlots; ++i) {
        if (i == kEarlierContent || tallies_[i].pixels == 0) continue;
        if (main == kEarlierContent || tallies_[i].pixels > tallies_[main].pixels) main = i;
    }
    // A wrong pixel no step of this frame drew is accounted for only when an earlier frame
    // already differed (it may be left on screen from there).
    const bool earlier = coverage_.AnyFrameDiffered();
    bool accounted = true;
    for (int i = 0; i < model_.StepCount(); ++i) {
        if (tallies_[i].pixels > 0) coverage_.KindDiffered(model_.Steps()[i].kind, FindingOf(number, i));
    }
    if (tallies_[kEarlierContent].pixels > 0 || tallies_[kCounterText].pixels > 0) accounted = earlier;
    diagnostics::Finding finding = FindingOf(number, main);
    Report(number, main);
    if (!frameImagesWritten_) WriteFrameImages(number, finding);
    coverage_.FrameDiffered(finding, accounted);
}

diagnostics::Finding FrameVerifier::FindingOf(std::uint64_t number, int slot) const {
    const StepTally& tally = tallies_[slot];
    const char* name = slot == kEarlierContent ? "the buffer's earlier content"
                       : slot == kCounterText  ? "the counter text outside its box"
                                               : StepName(model_.Steps()[slot].kind);
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    return MakeFinding(number, name, tally.first, tally.pixels, 2, masks);
}

void FrameVerifier::Report(std::uint64_t number, int main) {
    const StepTally& top = tallies_[main];
    const Rect rect = main < kEarlierContent ? model_.Steps()[main].rect : Rect{0, 0, kScreenWidth, kScreenHeight};
    const std::string name = FindingOf(number, main).step;

    // The other steps' differences, summed by what drew them.
    std::uint64_t others[diagnostics::kDrawKinds + 2] = {};
    for (int i = 0; i < kSlots; ++i) {
        if (i == main || tallies_[i].pixels == 0) continue;
        const int index = i == kEarlierContent ? diagnostics::kDrawKinds
                          : i == kCounterText  ? diagnostics::kDrawKinds + 1
                                               : static_cast<int>(model_.Steps()[i].kind);
        others[index] += tallies_[i].pixels;
    }
    char line[1536];
    int used = std::snprintf(line, sizeof line,
                             "{\"type\":\"verify\",\"n\":%" PRIu64
                             ",\"step\":\"%s\",\"rect\":[%d,%d,%d,%d],\"pixels\":%" PRIu64
                             ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"expected\":\"0x%04X\",\"frame_pixels\":%" PRIu64
                             ",\"others\":[",
                             number, name.c_str(), rect.left, rect.top, rect.right, rect.bottom, top.pixels,
                             top.first.x, top.first.y, top.first.got, top.first.expected, lastDifferences_);
    bool any = false;
    for (int k = 0; k < diagnostics::kDrawKinds + 2 && used < static_cast<int>(sizeof line); ++k) {
        if (others[k] == 0) continue;
        const char* step = k == diagnostics::kDrawKinds       ? "the buffer's earlier content"
                           : k == diagnostics::kDrawKinds + 1 ? "the counter text outside its box"
                                                              : StepName(static_cast<DrawKind>(k));
        used += std::snprintf(line + used, sizeof line - used, "%s{\"step\":\"%s\",\"pixels\":%" PRIu64 "}",
                              any ? "," : "", step, others[k]);
        any = true;
    }
    if (used < static_cast<int>(sizeof line)) std::snprintf(line + used, sizeof line - used, "]}");
    diagnostics::TraceLine(line);

    if (noticesLeft_ > 0) {
        std::snprintf(line, sizeof line,
                      "frame %" PRIu64
                      " differs from its re-drawing at %s pixels: %s at (%d,%d)-(%d,%d), %s pixels "
                      "(first (%d,%d): got 0x%04X, expected 0x%04X)",
                      number, Grouped(lastDifferences_).c_str(), name.c_str(), rect.left, rect.top, rect.right,
                      rect.bottom, Grouped(top.pixels).c_str(), top.first.x, top.first.y, top.first.got,
                      top.first.expected);
        diagnostics::Notice(line);
        if (--noticesLeft_ == 0) diagnostics::Notice("further differing frames are named in the trace only");
    }
}

namespace {

// Writes one RGB image through the target; its path, or empty when it could not be written.
std::string WriteRgb(const std::string& name, const std::vector<std::uint8_t>& rgb, int width, int height) {
    char path[512] = "";
    if (!diagnostics::WriteImage(name.c_str(), rgb.data(), width, height, path, sizeof path)) return {};
    return path;
}

// got, expected and the differences (matching pixels dimmed to half, differing ones pure red) as
// RGB images, written with the crop around the first difference; the paths go into `finding`.
void WriteImages(const std::string& stem, const void* got, const void* expected, int width, int height,
                 std::ptrdiff_t gotPitch, std::ptrdiff_t expectedPitch, const PixelLayout& gotLayout,
                 const PixelLayout& expectedLayout, std::uint32_t valueMask, diagnostics::Finding& finding) {
    const std::vector<std::uint8_t> gotRgb = ToRgb(got, width, height, gotPitch, gotLayout);
    const std::vector<std::uint8_t> expectedRgb = ToRgb(expected, width, height, expectedPitch, expectedLayout);
    std::vector<std::uint8_t> differences(gotRgb.size());
    for (int y = 0; y < height; ++y) {
        const auto* g = static_cast<const std::uint8_t*>(got) + y * gotPitch;
        const auto* e = static_cast<const std::uint8_t*>(expected) + y * expectedPitch;
        for (int x = 0; x < width; ++x) {
            std::uint32_t a = 0, b = 0;
            std::memcpy(&a, g + x * gotLayout.bytesPerPixel, static_cast<std::size_t>(gotLayout.bytesPerPixel));
            std::memcpy(&b, e + x * expectedLayout.bytesPerPixel,
                        static_cast<std::size_t>(expectedLayout.bytesPerPixel));
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
            const bool differs = ((a ^ b) & valueMask) != 0;
            for (int c = 0; c < 3; ++c) {
                differences[at + c] = differs ? (c == 0 ? 0xFF : 0) : static_cast<std::uint8_t>(gotRgb[at + c] / 2);
            }
        }
    }
    const std::vector<std::uint8_t>* images[3] = {&gotRgb, &expectedRgb, &differences};
    finding.gotImage = WriteRgb(stem + "-got", gotRgb, width, height);
    finding.expectedImage = WriteRgb(stem + "-expected", expectedRgb, width, height);
    finding.differencesImage = WriteRgb(stem + "-differences", differences, width, height);
    int cropWidth = 0, cropHeight = 0;
    const std::vector<std::uint8_t> crop = CropSideBySide(images, width, height, finding.x, finding.y, cropWidth,
                                                          cropHeight);
    finding.cropImage = WriteRgb(stem + "-crop", crop, cropWidth, cropHeight);
    if (!finding.gotImage.empty() && !finding.expectedImage.empty() && !finding.differencesImage.empty()) {
        diagnostics::Notice((stem.substr(stem.find('-') + 1) + " written as " + finding.gotImage + " (got), " +
                             finding.expectedImage + " (expected) and " + finding.differencesImage +
                             " (differences in red)")
                                .c_str());
    }
}

}  // namespace

void FrameVerifier::WriteFrameImages(std::uint64_t number, diagnostics::Finding& finding) {
    frameImagesWritten_ = true;
    std::vector<Pixel> got(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y) {
        std::memcpy(got.data() + static_cast<std::size_t>(y) * kScreenWidth, FlippedRow(buffer_, y), kRowBytes);
    }
    const PixelLayout layout{2, format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    WriteImages("verify-frame-" + std::to_string(number), got.data(), model_.Belief(buffer_).pixels, kScreenWidth,
                kScreenHeight, kRowBytes, kRowBytes, layout, layout, 0xFFFF, finding);
}

bool FrameVerifier::Holds(std::uint64_t number) const { return number != 0 && held_[number & 1u] == number; }

void FrameVerifier::ComparePrimary(std::uint64_t number, const ConstImage& primary) {
    const int buffer = static_cast<int>(number & 1u);
    std::uint64_t pixels = 0;
    PixelDifference first;
    for (int y = 0; y < kScreenHeight; ++y) {
        const Pixel* g = primary.Row(y);
        const Pixel* e = FlippedRow(buffer, y);
        if (std::memcmp(g, e, kRowBytes) == 0) continue;
        for (int x = 0; x < kScreenWidth; ++x) {
            if (g[x] != e[x] && pixels++ == 0) first = PixelDifference{x, y, g[x], e[x]};
        }
    }
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    if (pixels == 0) {
        coverage_.ScreenCompared(false, nullptr);
        return;
    }
    diagnostics::Finding finding = ScreenFinding(number, pixels, first, 2, masks);
    if (!screenImagesWritten_) {
        screenImagesWritten_ = true;
        std::vector<Pixel> expected(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
        for (int y = 0; y < kScreenHeight; ++y) {
            std::memcpy(expected.data() + static_cast<std::size_t>(y) * kScreenWidth, FlippedRow(buffer, y), kRowBytes);
        }
        const PixelLayout layout{2, masks[0], masks[1], masks[2]};
        WriteImages("verify-screen-" + std::to_string(number), primary.pixels, expected.data(), kScreenWidth,
                    kScreenHeight, primary.pitch * static_cast<std::ptrdiff_t>(sizeof(Pixel)), kRowBytes, layout,
                    layout, 0xFFFF, finding);
    }
    ReportScreen(number, "the primary surface", finding);
}

void FrameVerifier::CompareWindow(std::uint64_t number, const diagnostics::WindowImage& window) {
    const int buffer = static_cast<int>(number & 1u);
    mapping_.Prepare(format_, kScreenWidth, kScreenHeight, window);
    wideExpected_.resize(static_cast<std::size_t>(window.width) * static_cast<std::size_t>(window.height));
    const std::uint32_t valueMask = mapping_.ValueMask();
    const auto frameRow = [&](int y) { return FlippedRow(buffer, y); };
    std::uint64_t pixels = 0;
    PixelDifference first;
    for (int y = 0; y < window.height; ++y) {
        std::uint32_t* e = wideExpected_.data() + static_cast<std::size_t>(y) * window.width;
        mapping_.ExpectedRow(y, frameRow, e);
        const auto* row = static_cast<const std::uint8_t*>(window.pixels) + static_cast<std::ptrdiff_t>(y) * window.pitchBytes;
        for (int x = 0; x < window.width; ++x) {
            std::uint32_t g = 0;
            if (window.bytesPerPixel == 2) {
                std::uint16_t p;
                std::memcpy(&p, row + 2 * x, 2);
                g = p;
            } else {
                std::memcpy(&g, row + 4 * x, 4);
            }
            if (((g ^ e[x]) & valueMask) != 0 && pixels++ == 0) first = PixelDifference{x, y, g & valueMask, e[x]};
        }
    }
    if (pixels == 0) {
        coverage_.ScreenCompared(true, nullptr);
        return;
    }
    const std::uint32_t masks[3] = {window.redMask, window.greenMask, window.blueMask};
    diagnostics::Finding finding = ScreenFinding(number, pixels, first, window.bytesPerPixel, masks);
    if (!screenImagesWritten_) {
        screenImagesWritten_ = true;
        const PixelLayout gotLayout{window.bytesPerPixel, masks[0], masks[1], masks[2]};
        const PixelLayout expectedLayout{4, masks[0], masks[1], masks[2]};
        WriteImages("verify-screen-" + std::to_string(number), window.pixels, wideExpected_.data(), window.width,
                    window.height, window.pitchBytes, static_cast<std::ptrdiff_t>(window.width) * 4, gotLayout,
                    expectedLayout, valueMask, finding);
    }
    ReportScreen(number, "the window", finding);
}

diagnostics::Finding FrameVerifier::ScreenFinding(std::uint64_t number, std::uint64_t pixels,
                                                  const PixelDifference& first, int bytesPerPixel,
                                                  const std::uint32_t (&masks)[3]) const {
    return MakeFinding(number, "the screen", first, pixels, bytesPerPixel, masks);
}

void FrameVerifier::ReportScreen(std::uint64_t number, const char* read, const diagnostics::Finding& finding) {
    coverage_.ScreenCompared(std::strcmp(read, "the window") == 0, &finding);
    const int digits = finding.bytesPerPixel * 2;
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"type\":\"verify\",\"n\":%" PRIu64
                  ",\"step\":\"the screen\",\"read\":\"%s\",\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%0*X\",\"expected\":\"0x%0*X\"}",
                  number, read, finding.pixels, finding.x, finding.y, digits, finding.got, digits, finding.expected);
    diagnostics::TraceLine(line);
    if (noticesLeft_ > 0) {
        std::snprintf(line, sizeof line,
                      "frame %" PRIu64 " differs on the screen (%s) at %s pixels (first (%d,%d): got 0x%0*X, expected "
                      "0x%0*X)",
                      number, read, Grouped(finding.pixels).c_str(), finding.x, finding.y, digits, finding.got, digits,
                      finding.expected);
        diagnostics::Notice(line);
        if (--noticesLeft_ == 0) diagnostics::Notice("further differing frames are named in the trace only");
    }
}

void FrameVerifier::FrameCrcs(std::uint32_t& got, std::uint32_t& expected) const {
    static const Pixel zeros[kScreenWidth] = {};
    got = expected = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
        const Pixel* rows[2] = {FlippedRow(buffer_, y), const_cast<FrameModel&>(model_).Belief(buffer_).Row(y)};
        std::uint32_t* crcs[2] = {&got, &expected};
        const bool counterRow = y >= kCounterArea.top && y < kCounterArea.bottom;
        for (int i = 0; i < 2; ++i) {
            if (!counterRow) {
                *crcs[i] = diagnostics::Crc32(*crcs[i], rows[i], kRowBytes);
                continue;
            }
            *crcs[i] = diagnostics::Crc32(*crcs[i], rows[i], sizeof(Pixel) * kCounterArea.left);
            *crcs[i] = diagnostics::Crc32(*crcs[i], zeros, sizeof(Pixel) * kCounterArea.Width());
            *crcs[i] = diagnostics::Crc32(*crcs[i], rows[i] + kCounterArea.right,
                                          sizeof(Pixel) * (kScreenWidth - kCounterArea.right));
        }
    }
}

}  // namespace verify
