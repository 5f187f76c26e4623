#include "host/sdl/window_pixels.h"

#include <cstring>

namespace platform::host {
namespace {

constexpr std::uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};
constexpr std::uint32_t kMask555[3] = {0x7C00, 0x03E0, 0x001F};

bool HasMasks(const WindowPixelFormat& format, const std::uint32_t (&masks)[3]) {
    return format.redMask == masks[0] && format.greenMask == masks[1] && format.blueMask == masks[2];
}

int LowestBit(std::uint32_t mask) { return mask == 0 ? 0 : __builtin_ctz(mask); }

bool IsByteWide(std::uint32_t mask) { return mask != 0 && (mask >> LowestBit(mask)) == 0xFF; }

// One channel of a 16-bit pixel: where it sits and how wide it is, and where its widened 8-bit
// value goes in the window's pixel.
struct Channel {
    unsigned sourceShift;
    unsigned sourceBits;
    unsigned destShift;
};

struct Widening {
    Channel red, green, blue;
    std::uint32_t fixedBits;
};

Widening WideningFor(PixelFormat source, const WindowPixelFormat& dest) {
    const unsigned greenBits = source == PixelFormat::Rgb565 ? 6 : 5;
    const unsigned redShift = source == PixelFormat::Rgb565 ? 11 : 10;
    return {{redShift, 5, static_cast<unsigned>(LowestBit(dest.redMask))},
            {5, greenBits, static_cast<unsigned>(LowestBit(dest.greenMask))},
            {0, 5, static_cast<unsigned>(LowestBit(dest.blueMask))},
            dest.fixedBits};
}

// The channel widened to 8 bits by repeating its top bits below it, so full intensity stays
// full and the top bits (all a 16-bit screen has) are kept exactly.
inline __attribute__((always_inline)) std::uint32_t Widen(std::uint32_t pixel, const Channel& c) {
    const std::uint32_t value = (pixel >> c.sourceShift) & ((1u << c.sourceBits) - 1);
    const std::uint32_t wide = (value << (8 - c.sourceBits)) | (value >> (2 * c.sourceBits - 8));
    return wide << c.destShift;
}

// The loops below are written plainly so the compiler vectorises them; each is built twice, for
// the baseline and for AVX2, and the wider build is taken where the processor has it.
inline __attribute__((always_inline)) void WidenRowBody(const std::uint16_t* source, std::uint32_t* dest, int count,
                                                        Widening w) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t pixel = source[i];
        dest[i] = w.fixedBits | Widen(pixel, w.red) | Widen(pixel, w.green) | Widen(pixel, w.blue);
    }
}

inline __attribute__((always_inline)) void Reformat16RowBody(const std::uint16_t* source, std::uint16_t* dest,
                                                             int count, bool to565) {
    if (to565) {
        // 5-5-5 to 5-6-5: red and green move up one bit, green's top bit repeats below it.
        for (int i = 0; i < count; ++i) {
            const unsigned p = source[i];
            dest[i] = static_cast<std::uint16_t>(((p & 0x7FE0u) << 1) | ((p >> 4) & 0x20u) | (p & 0x1Fu));
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const unsigned p = source[i];
            dest[i] = static_cast<std::uint16_t>(((p >> 1) & 0x7FE0u) | (p & 0x1Fu));
        }
    }
}

__attribute__((target("avx2"))) void WidenRowAvx2(const std::uint16_t* s, std::uint32_t* d, int n, Widening w) {
    WidenRowBody(s, d, n, w);
}
void WidenRowBaseline(const std::uint16_t* s, std::uint32_t* d, int n, Widening w) { WidenRowBody(s, d, n, w); }

__attribute__((target("avx2"))) void Reformat16RowAvx2(const std::uint16_t* s, std::uint16_t* d, int n, bool to565) {
    Reformat16RowBody(s, d, n, to565);
}
void Reformat16RowBaseline(const std::uint16_t* s, std::uint16_t* d, int n, bool to565) {
    Reformat16RowBody(s, d, n, to565);
}

const bool kHasAvx2 = [] {
    __builtin_cpu_init();  // may run from a static initialiser, before libgcc's own
    return __builtin_cpu_supports("avx2") != 0;
}();

template <class Pixel>
void Gather(const Pixel* row, const int* column, Pixel* dest, int count) {
    for (int i = 0; i < count; ++i) dest[i] = row[column[i]];
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
    } else if (kHasAvx2) {
        Reformat16RowAvx2(source, dest, count, windowIs565);
    } else {
        Reformat16RowBaseline(source, dest, count, windowIs565);
    }
}

void FrameWriter::ConvertRow(const std::uint16_t* source, std::uint32_t* dest, int count,
                             PixelFormat sourceFormat) const {
    const Widening widening = WideningFor(sourceFormat, format_);
    if (kHasAvx2) {
        WidenRowAvx2(source, dest, count, widening);
    } else {
        WidenRowBaseline(source, dest, count, widening);
    }
}

void FrameWriter::PrepareColumns(int sourceWidth, int destWidth) {
    if (columnsFor_[0] == sourceWidth && columnsFor_[1] == destWidth) return;
    // Each image column shows the frame column under its centre.
    sourceColumn_.resize(static_cast<std::size_t>(destWidth));
    for (int x = 0; x < destWidth; ++x) {
        sourceColumn_[static_cast<std::size_t>(x)] = static_cast<int>((2LL * x + 1) * sourceWidth / (2LL * destWidth));
    }
    columnsFor_[0] = sourceWidth;
    columnsFor_[1] = destWidth;
}

template <class Pixel>
void FrameWriter::WriteAs(const FrameView& frame, const ImageMemory& image) {
    auto* destBytes = static_cast<unsigned char*>(image.pixels);
    auto destRow = [&](int y) {
        return reinterpret_cast<Pixel*>(destBytes + static_cast<std::ptrdiff_t>(y) * image.pitchBytes);
    };
    auto sourceRow = [&](int y) { return frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitchPixels; };

    if (image.width == frame.width && image.height == frame.height) {
        for (int y = 0; y < image.height; ++y) ConvertRow(sourceRow(y), destRow(y), frame.width, frame.format);
        return;
    }
    PrepareColumns(frame.width, image.width);
    row_.resize(static_cast<std::size_t>(frame.width));
    auto* converted = reinterpret_cast<Pixel*>(row_.data());
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * sizeof(Pixel);
    int shownRow = -1;
    for (int y = 0; y < image.height; ++y) {
        const int from = static_cast<int>((2LL * y + 1) * frame.height / (2LL * image.height));
        if (from == shownRow) {
            // Scaled up, several image rows show the same frame row: copy the one just written.
            std::memcpy(destRow(y), destRow(y - 1), rowBytes);
            continue;
        }
        ConvertRow(sourceRow(from), converted, frame.width, frame.format);
        Gather(converted, sourceColumn_.data(), destRow(y), image.width);
        shownRow = from;
    }
}

void FrameWriter::Write(const FrameView& frame, const ImageMemory& image) {
    if (format_.bytesPerPixel == 2) {
        WriteAs<std::uint16_t>(frame, image);
    } else {
        WriteAs<std::uint32_t>(frame, image);
    }
}

}  // namespace platform::host
