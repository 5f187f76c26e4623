#include "verify/bitmap_decoder.h"

namespace verify {
namespace {

constexpr std::uint32_t kMinHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
constexpr int kMaxSide = 16384;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

void DecodeBitmap(const std::uint8_t* bytes, std::size_t size, const ScreenFormat& format, DecodedBitmap& out) {
    out.ok = false;
    if (bytes == nullptr || size < kMinHeaderSize) return;
    const std::uint32_t headerSize = U32(bytes);
    const auto width = static_cast<std::int32_t>(U32(bytes + 4));
    const auto storedHeight = static_cast<std::int32_t>(U32(bytes + 8));
    const std::uint16_t bitCount = U16(bytes + 14);
    const std::uint32_t compression = U32(bytes + 16);
    const std::uint32_t colorsUsed = U32(bytes + 32);
    if (headerSize < kMinHeaderSize || headerSize > size || compression != kUncompressed) return;
    if (bitCount != 8 && bitCount != 24) return;
    const bool bottomUp = storedHeight > 0;
    const std::int64_t height = bottomUp ? storedHeight : -static_cast<std::int64_t>(storedHeight);
    if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide) return;

    const std::uint64_t tableEntries = bitCount == 8 ? (colorsUsed != 0 ? colorsUsed : 256) : colorsUsed;
    if (tableEntries > 256 && bitCount == 8) return;
    const std::uint64_t tableStart = headerSize;
    const std::uint64_t rowsStart = tableStart + tableEntries * 4;
    // Each row is padded to a whole number of 4-byte words.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    if (rowsStart + rowBytes * static_cast<std::uint64_t>(height) > size) return;

    Pixel palette[256] = {};
    if (bitCount == 8) {
        for (std::uint64_t i = 0; i < tableEntries; ++i) {
            const std::uint8_t* quad = bytes + tableStart + i * 4;  // blue, green, red, reserved
            palette[i] = format.FromRgb(quad[2], quad[1], quad[0]);
        }
    }
    out.width = width;
    out.height = static_cast<int>(height);
    out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < out.height; ++y) {
        const int storedRow = bottomUp ? out.height - 1 - y : y;
        const std::uint8_t* row = bytes + rowsStart + rowBytes * static_cast<std::uint64_t>(storedRow);
        Pixel* d = out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        if (bitCount == 8) {
            // An index past the table's end is black, as an empty table entry would be.
            for (int x = 0; x < width; ++x) d[x] = row[x] < tableEntries ? palette[row[x]] : Pixel{0};
        } else {
            for (int x = 0; x < width; ++x) d[x] = format.FromRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }
    out.ok = true;
}

}  // namespace verify
