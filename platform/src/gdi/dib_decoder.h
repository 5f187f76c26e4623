// Decoding of device-independent bitmaps: the packed form a bitmap resource holds (header,
// colour masks, colour table, pixels) and whole .bmp files. Everything read is bounds-checked
// against the given size; anything malformed or unsupported is refused with a reason.
//
// Supported: BITMAPCOREHEADER (12 bytes) and BITMAPINFOHEADER and its V2/V3/V4/V5 extensions
// (40, 52, 56, 108, 124 bytes); uncompressed 1-, 4-, 8-, 16-, 24- and 32-bit pixels (BI_RGB),
// and 16- and 32-bit pixels with colour masks (BI_BITFIELDS); bottom-up and top-down rows.
// Refused: run-length, JPEG and PNG compression, 2- and 64-bit depths, OS/2 2.x headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "wingdi.h"

namespace platform::gdi {

// A decoded picture, rows stored top row first and padded to 4 bytes as in a DIB section.
// Palette depths (1, 4, 8) are widened to one byte per pixel indexing `colors`, which then has
// 256 entries (those the DIB does not define are black, so any index is safe); direct-colour
// depths (16, 24, 32) become 3 bytes per pixel in blue, green, red order.
struct DecodedDib {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;        // 8 (indexed) or 24 (blue, green, red)
    int sourceBitsPerPixel = 0;  // the depth the DIB was stored with
    std::size_t strideBytes = 0;
    std::vector<RGBQUAD> colors;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * strideBytes; }
    // The pixel's colour whatever the storage depth.
    RGBQUAD ColorAt(int x, int y) const;
};

struct DibDecodeResult {
    std::optional<DecodedDib> dib;
    const char* error = nullptr;  // why the DIB was refused; null on success
};

// A packed DIB: the header, then masks and colour table, then the pixels right after them.
DibDecodeResult DecodePackedDib(const std::uint8_t* data, std::size_t size);
// A whole .bmp file: the 14-byte file header, then a DIB whose pixels start at bfOffBits.
DibDecodeResult DecodeBmpFile(const std::uint8_t* data, std::size_t size);

}  // namespace platform::gdi
