#include "host/sdl/window_pixels.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/sdl/pixel_rows.h"
#include "host/sdl/presenter_seam.h"

namespace platform::host {
namespace {

constexpr std::uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};
constexpr std::uint32_t kMask555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr std::uint32_t kMaskRgb[3] = {0xFF0000, 0x00FF00, 0x0000FF};

bool HasMasks(const WindowPixelFormat& format, const std::uint32_t (&masks)[3]) {
    return format.redMask == masks[0] && format.greenMask == masks[1] && format.blueMask == masks[2];
}

unsigned LowestBit(std::uint32_t mask) { return mask == 0 ? 0 : static_cast<unsigned>(__builtin_ctz(mask)); }

bool IsByteWide(std::uint32_t mask) { return mask != 0 && (mask >> LowestBit(mask)) == 0xFF; }

rows::Widening WideningFor(PixelFormat source, const WindowPixelFormat& dest) {
    const bool is565 = source == PixelFormat::Rgb565;
    return {{is565 ? 11u : 10u, 5, LowestBit(dest.redMask)},
            {5, is565 ? 6u : 5u, LowestBit(dest.greenMask)},
            {0, 5, LowestBit(dest.blueMask)},
            dest.fixedBits};
}

}  // namespace

bool CanWrite(const WindowPixelFormat& format) {
    if (format.bytesPerPixel == 2) return HasMasks(format, kMask565) || HasMasks(format, kMask555);
    if (format.bytesPerPixel != 4) return false;
    const std::uint32_t all = format.redMask | format.greenMask | format.blueMask;
    const bool disjoint = (format.redMask & format.greenMask) == 0 && (format.greenMask & format.blueMask) == 0 &&
                          (format.redMask & format.blueMask) == 0 && (all & format.fixedBits) == 0;
    return disjoint && IsByteWide(format.redMask) && IsByteWide(format.greenMask) && IsByteWide(format.blueMask);
}

bool CanDrawOn(bool trueColour, int bitsPerPixel, bool nativeOrder, const WindowPixelFormat& format) {
    return trueColour && bitsPerPixel % 8 == 0 && nativeOrder && CanWrite(format);
}

PictureRect FitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight) {
    PictureRect rect;
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return rect;
    // Compare the two shapes in integers: the wider one decides which side fills the window.
    const long long across = static_cast<long long>(windowWidth) * pictureHeight;
    const long long down = static_cast<long long>(windowHeight) * pictureWidth;
    if (across <= down) {
        rect.width = windowWidth;
        rect.height = static_cast<int>((across + pictureWidth / 2) / pictureWidth);
    } else {
        rect.height = windowHeight;
        rect.width = static_cast<int>((down + pictureHeight / 2) / pictureHeight);
    }
    rect.width = rect.width < 1 ? 1 : rect.width;
    rect.height = rect.height < 1 ? 1 : rect.height;
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

FrameWriter::FrameWriter(const WindowPixelFormat& format) : format_(format) {}

void FrameWriter::ConvertRow(const std::uint16_t* source, std::uint16_t* dest, int count,
                             PixelFormat sourceFormat) const {
    const bool windowIs565 = HasMasks(format_, kMask565);
    if (windowIs565 == (sourceFormat == PixelFormat::Rgb565)) {
        std::memcpy(dest, source, static_cast<std::size_t>(count) * sizeof(std::uint16_t));
    } else {
        rows::Reformat16(source, dest, count, windowIs565);
    }
}

void FrameWriter::ConvertRow(const std::uint16_t* source, std::uint32_t* dest, int count,
                             PixelFormat sourceFormat) const {
    if (HasMasks(format_, kMaskRgb)) {
        rows::WidenToRgb(source, dest, count, sourceFormat == PixelFormat::Rgb565, format_.fixedBits);
    } else {
        rows::Widen(source, dest, count, WideningFor(sourceFormat, format_));
    }
}

namespace {

// The picture pixels that show source pixels [low, high) of `source` scaled to `picture`: the
// source edges scaled down, widened by `widen` on each side when scaled.
std::pair<int, int> ScaledSpan(int low, int high, int source, int picture, int widen) {
    if (source == picture) return {low, high};
    const auto scale = [&](int edge) { return static_cast<int>(static_cast<long long>(edge) * picture / source); };
    return {std::max(scale(low) - widen, 0), std::min(scale(high) + widen, picture)};
}

}  // namespace

void MapToPicture(const Damage& frameDamage, int frameWidth, int frameHeight, int width, int height,
                  Damage& picture) {
    picture.Clear();
    const int widen = ScaledRectWidening();
    for (const pixman_box32_t& box : frameDamage.Boxes()) {
        const auto [left, right] = ScaledSpan(box.x1, box.x2, frameWidth, width, widen);
        const auto [top, bottom] = ScaledSpan(box.y1, box.y2, frameHeight, height, widen);
        picture.Add(left, top, right, bottom);
    }
}

template <class Pixel>
void FrameWriter::WriteAs(const FrameView& frame, const ImageMemory& image, const pixman_box32_t& box) {
    auto* destBytes = static_cast<unsigned char*>(image.pixels);
    auto destRow = [&](int y) {
        return reinterpret_cast<Pixel*>(destBytes + static_cast<std::ptrdiff_t>(y) * image.pitchBytes);
    };
    auto sourceRow = [&](int y) { return frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitchPixels; };

    if (image.width == frame.width && image.height == frame.height) {
        for (int y = box.y1; y < box.y2; ++y) {
            ConvertRow(sourceRow(y) + box.x1, destRow(y) + box.x1, box.x2 - box.x1, frame.format);
        }
        return;
    }
    columns_.Prepare(frame.width, image.width);
    row_.resize(static_cast<std::size_t>(frame.width + ColumnMap::kReadPastEnd));
    auto* converted = reinterpret_cast<Pixel*>(row_.data());
    // The source columns the box's picture columns show: only those are converted.
    const int firstColumn = columns_.SourceOf(box.x1);
    const int columnCount = columns_.SourceOf(box.x2 - 1) + 1 - firstColumn;
    const std::size_t rowBytes = static_cast<std::size_t>(box.x2 - box.x1) * sizeof(Pixel);
    int shownRow = -1;
    for (int y = box.y1; y < box.y2; ++y) {
        // Each image row shows the frame row under its centre.
        const int from = static_cast<int>((2LL * y + 1) * frame.height / (2LL * image.height));
        if (from == shownRow) {
            // Scaled up, several image rows show the same frame row: copy the one just written.
            std::memcpy(destRow(y) + box.x1, destRow(y - 1) + box.x1, rowBytes);
            continue;
        }
        ConvertRow(sourceRow(from) + firstColumn, converted + firstColumn, columnCount, frame.format);
        columns_.Pick(converted, destRow(y), box.x1, box.x2);
        shownRow = from;
    }
}

void FrameWriter::Write(const FrameView& frame, const ImageMemory& image) {
    Damage whole;
    whole.Add(0, 0, image.width, image.height);
    Write(frame, image, whole);
}

void FrameWriter::Write(const FrameView& frame, const ImageMemory& image, const Damage& region) {
    for (const pixman_box32_t& box : region.Boxes()) {
        if (format_.bytesPerPixel == 2) {
            WriteAs<std::uint16_t>(frame, image, box);
        } else {
            WriteAs<std::uint32_t>(frame, image, box);
        }
    }
}

}  // namespace platform::host
