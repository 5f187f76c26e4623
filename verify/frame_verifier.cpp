#include "verify/frame_verifier.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "verify/frame_crc.h"
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
        charges_[b].assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
        chargedValues_[b].assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
        rowCharged_[b].assign(kScreenHeight, 0);
        chargedRows_[b].reserve(kScreenHeight);
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
    counter_.Start(format, tileCount);
    ForgetCharges(0);
    ForgetCharges(1);
    restoredInFrame_ = false;
    frameImagesWritten_ = screenImagesWritten_ = false;
    noticesLeft_ = kNoticedFrames;
    held_[0] = held_[1] = 0;
    lastDifferences_ = 0;
}

void FrameVerifier::Restoration() {
    model_.ForgetBuffers();
    held_[0] = held_[1] = 0;
    ForgetCharges(0);
    ForgetCharges(1);
    if (coverage_.Frames() > 0) restoredInFrame_ = true;
}

void FrameVerifier::ForgetCharges(int buffer) {
    for (int y : chargedRows_[buffer]) {
        std::memset(charges_[buffer].data() + static_cast<std::size_t>(y) * kScreenWidth, 0, kScreenWidth);
        rowCharged_[buffer][y] = 0;
    }
    chargedRows_[buffer].clear();
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
    ForgetCharges(buffer);
    for (int i = 0; i < model_.StepCount(); ++i) coverage_.KindDrawn(model_.Steps()[i].kind, false);
    held_[buffer] = 0;
    restoredInFrame_ = false;
    char line[192];
    std::snprintf(line, sizeof line, "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"unread\":\"%s\"}", number, why);
    diagnostics::TraceLine(line);
}

void FrameVerifier::CompareFrame(std::uint64_t number, const SceneValues& values, const Pictures& pictures,
                                 const ConstImage& got, const CounterDrawn* counter) {
    buffer_ = static_cast<int>(number & 1u);
    coverage_.FrameComposed();
    const bool known = model_.Defined(buffer_);
    model_.Redraw(buffer_, values, key_, pictures);
    const Image expected = model_.Belief(buffer_);
    const bool restored = restoredInFrame_;
    restoredInFrame_ = false;
    // The counter is judged against the picture underneath it, where that is known; then its box
    // is taken over as it was drawn, its glyphs being the system's.
    textBox_ = counter != nullptr ? ClipToScreen(counter->box) : Rect{};
    if (counter != nullptr && known && !restored) JudgeCounter(number, *counter, got);
    for (int y = textBox_.top; y < textBox_.bottom && textBox_.left < textBox_.right; ++y) {
        std::memcpy(expected.Row(y) + textBox_.left, got.Row(y) + textBox_.left, sizeof(Pixel) * textBox_.Width());
    }
    model_.Overwritten(buffer_, textBox_);

    compared_ = !restored;
    whole_ = known;
    leftOut_ = false;
    // Both ways below take pixels over from the frame, so nothing is left charged there.
    if (restored || !whole_) {
        model_.Overwritten(buffer_, Rect{0, 0, kScreenWidth, kScreenHeight});
        ForgetCharges(buffer_);
    }
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
    if (restored) coverage_.FrameNotCompared("a restoration during the frame left nothing known to compare with");
    // Each kind counts once per frame that drew it.
    bool seen[diagnostics::kDrawKinds] = {};
    for (int i = 0; i < model_.StepCount(); ++i) {
        const int kind = static_cast<int>(model_.Steps()[i].kind);
        if (!seen[kind]) coverage_.KindDrawn(model_.Steps()[i].kind, !restored);
        seen[kind] = true;
    }
}

void FrameVerifier::JudgeCounter(std::uint64_t number, const CounterDrawn& counter, const ConstImage& got) {
    CounterFault fault;
    if (counter_.Judge(counter, got, model_.Belief(buffer_), fault)) {
        coverage_.CounterCompared(nullptr);
        return;
    }
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    const diagnostics::Finding finding =
        MakeFinding(number, "the counter: " + fault.what, PixelDifference{fault.x, fault.y, fault.got, fault.expected},
                    fault.pixels, 2, masks);
    coverage_.CounterCompared(&finding);
    coverage_.FrameDiffered(finding);
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"type\":\"verify\",\"n\":%" PRIu64
                  ",\"step\":\"the counter\",\"text\":\"%s\",\"at\":[%d,%d],"
                  "\"why\":\"%s\",\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"underneath\":\"0x%04X\"}",
                  number, counter.text.c_str(), counter.x, counter.y, fault.what.c_str(), fault.pixels, fault.x,
                  fault.y, fault.got, fault.expected);
    diagnostics::TraceLine(line);
    if (noticesLeft_ > 0) {
        std::snprintf(line, sizeof line,
                      "frame %" PRIu64 ": the counter \"%s\" is wrong: %s (%s pixels, first (%d,%d))", number,
                      counter.text.c_str(), fault.what.c_str(), Grouped(fault.pixels).c_str(), fault.x, fault.y);
        diagnostics::Notice(line);
        if (--noticesLeft_ == 0) diagnostics::Notice("further differing frames are named in the trace only");
    }
}

const Pixel* FrameVerifier::FlippedRow(int buffer, int y) const {
    if (copied_[buffer][y] != 0) return copies_[buffer].data() + static_cast<std::size_t>(y) * kScreenWidth;
    return const_cast<FrameModel&>(model_).Belief(buffer).Row(y);
}

// Charges each differing pixel of row y: to the last step of this frame whose rectangle covers it
// (it wrote it last, or its key left it), unless it still holds the wrong value an earlier frame
// left there; then to what made it wrong then. A pixel neither explains is a stray write.
void FrameVerifier::TallyRow(int y) {
    const Pixel* g = FlippedRow(buffer_, y);
    const Pixel* e = model_.Belief(buffer_).Row(y);
    const std::size_t row = static_cast<std::size_t>(y) * kScreenWidth;
    std::uint8_t* charges = charges_[buffer_].data() + row;
    Pixel* values = chargedValues_[buffer_].data() + row;
    const bool charged = rowCharged_[buffer_][y] != 0;
    for (int x = 0; x < kScreenWidth; ++x) {
        const std::uint8_t before = charged ? charges[x] : 0;
        charges[x] = 0;
        if (g[x] == e[x]) continue;
        int slot = model_.CoveringStep(x, y);
        if (before != 0 && values[x] == g[x]) {
            slot = before == kStrayCharge ? kStray : kLeftOver + before - 1;
        } else if (slot < 0) {
            slot = kStray;
        }
        const int kind = KindIndexOf(slot);
        charges[x] = kind == diagnostics::kDrawKinds ? kStrayCharge : static_cast<std::uint8_t>(kind + 1);
        values[x] = g[x];
        StepTally& tally = tallies_[slot];
        if (tally.pixels++ == 0) tally.first = PixelDifference{x, y, g[x], e[x]};
        ++lastDifferences_;
    }
    if (!charged) {
        rowCharged_[buffer_][y] = 1;
        chargedRows_[buffer_].push_back(y);
    }
}

int FrameVerifier::KindIndexOf(int slot) const {
    if (slot == kStray) return diagnostics::kDrawKinds;
    if (slot >= kLeftOver) return slot - kLeftOver;
    return static_cast<int>(model_.Steps()[slot].kind);
}

void FrameVerifier::JudgeFrame(std::uint64_t number) {
    if (!compared_) return;
    for (StepTally& tally : tallies_) tally.pixels = 0;
    lastDifferences_ = 0;
    // Rows charged before that match now hold nothing wrong any more.
    std::vector<int>& chargedRows = chargedRows_[buffer_];
    std::size_t kept = 0;
    for (int y : chargedRows) {
        if (copied_[buffer_][y] != 0) {
            chargedRows[kept++] = y;
            continue;
        }
        std::memset(charges_[buffer_].data() + static_cast<std::size_t>(y) * kScreenWidth, 0, kScreenWidth);
        rowCharged_[buffer_][y] = 0;
    }
    chargedRows.resize(kept);
    for (int y : differingRows_) TallyRow(y);
    coverage_.FrameCompared();
    if (leftOut_) coverage_.FrameInPart();
    if (lastDifferences_ == 0) return;

    // The line names the slot with the most differing pixels.
    int main = -1;
    for (int i = 0; i < kSlots; ++i) {
        if (tallies_[i].pixels > 0 && (main < 0 || tallies_[i].pixels > tallies_[main].pixels)) main = i;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (tallies_[i].pixels == 0) continue;
        if (i == kStray) {
            coverage_.StrayWrite(FindingOf(number, i));
        } else {
            coverage_.KindDiffered(static_cast<DrawKind>(KindIndexOf(i)), FindingOf(number, i));
        }
    }
    diagnostics::Finding finding = FindingOf(number, main);
    TraceDifference(number, main);
    if (!frameImagesWritten_) WriteFrameImages(number, finding);
    coverage_.FrameDiffered(finding);
}

namespace {

std::string SlotName(int kind, bool leftOver) {
    if (kind == diagnostics::kDrawKinds) return "a stray write (nothing drew there)";
    const std::string name = StepName(static_cast<DrawKind>(kind));
    return leftOver ? name + ", left over from an earlier frame" : name;
}

}  // namespace

diagnostics::Finding FrameVerifier::FindingOf(std::uint64_t number, int slot) const {
    const StepTally& tally = tallies_[slot];
    const std::uint32_t masks[3] = {format_.RedMask(), format_.GreenMask(), format_.BlueMask()};
    const std::string name = SlotName(KindIndexOf(slot), slot >= kLeftOver && slot < kStray);
    return MakeFinding(number, name, tally.first, tally.pixels, 2, masks);
}

void FrameVerifier::TraceDifference(std::uint64_t number, int main) {
    const StepTally& top = tallies_[main];
    const Rect rect = main < kLeftOver ? model_.Steps()[main].rect : Rect{0, 0, kScreenWidth, kScreenHeight};
    const std::string name = FindingOf(number, main).step;

    // The other slots' differences, summed by kind (and strays).
    std::uint64_t others[diagnostics::kDrawKinds + 1] = {};
    for (int i = 0; i < kSlots; ++i) {
        if (i != main) others[KindIndexOf(i)] += tallies_[i].pixels;
    }
    char line[1536];
    int used = std::snprintf(
        line, sizeof line,
        "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"step\":\"%s\",\"rect\":[%d,%d,%d,%d],\"pixels\":%" PRIu64
        ",\"first\":[%d,%d],\"got\":\"0x%04X\",\"expected\":\"0x%04X\",\"frame_pixels\":%" PRIu64 ",\"others\":[",
        number, name.c_str(), rect.left, rect.top, rect.right, rect.bottom, top.pixels, top.first.x, top.first.y,
        top.first.got, top.first.expected, lastDifferences_);
    bool any = false;
    for (int k = 0; k <= diagnostics::kDrawKinds && used < static_cast<int>(sizeof line); ++k) {
        if (others[k] == 0) continue;
        used += std::snprintf(line + used, sizeof line - used, "%s{\"step\":\"%s\",\"pixels\":%" PRIu64 "}",
                              any ? "," : "", SlotName(k, false).c_str(), others[k]);
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
    const std::vector<std::uint8_t> crop =
        CropSideBySide(images, width, height, finding.x, finding.y, cropWidth, cropHeight);
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
        const auto* row =
            static_cast<const std::uint8_t*>(window.pixels) + static_cast<std::ptrdiff_t>(y) * window.pitchBytes;
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
                  "{\"type\":\"verify\",\"n\":%" PRIu64 ",\"step\":\"the screen\",\"read\":\"%s\",\"pixels\":%" PRIu64
                  ",\"first\":[%d,%d],\"got\":\"0x%0*X\",\"expected\":\"0x%0*X\"}",
                  number, read, finding.pixels, finding.x, finding.y, digits, finding.got, digits, finding.expected);
    diagnostics::TraceLine(line);
    if (noticesLeft_ > 0) {
        std::snprintf(line, sizeof line,
                      "frame %" PRIu64
                      " differs on the screen (%s) at %s pixels (first (%d,%d): got 0x%0*X, expected "
                      "0x%0*X)",
                      number, read, Grouped(finding.pixels).c_str(), finding.x, finding.y, digits, finding.got, digits,
                      finding.expected);
        diagnostics::Notice(line);
        if (--noticesLeft_ == 0) diagnostics::Notice("further differing frames are named in the trace only");
    }
}

void FrameVerifier::FrameCrcs(std::uint32_t& got, std::uint32_t& expected) const {
    got = CounterlessCrc([&](int y) { return FlippedRow(buffer_, y); });
    expected = CounterlessCrc([&](int y) { return const_cast<FrameModel&>(model_).Belief(buffer_).Row(y); });
}

}  // namespace verify
