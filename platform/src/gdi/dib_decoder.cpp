#include "gdi/dib_decoder.h"

#include <bit>
#include <climits>

namespace platform::gdi {

namespace {

constexpr std::uint64_t kCoreHeaderBytes = 12;
constexpr std::uint64_t kInfoHeaderBytes = 40;
constexpr std::uint64_t kFileHeaderBytes = 14;
// Far above any picture this system draws; keeps a lying header from reserving gigabytes.
constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 28;

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One colour channel of a 16- or 32-bit pixel, widened or narrowed to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    std::uint8_t Extract(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
        const std::uint32_t maximum = (std::uint32_t{1} << bits) - 1;
        return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
    }
};

// Everything the header says about where things are and how pixels are stored.
struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bits = 0;
    std::uint64_t tableOffset = 0;  // from the header's start
    std::uint64_t tableEnd = 0;
    std::uint64_t colorCount = 0;       // entries the table holds
    std::uint64_t colorEntryBytes = 4;  // 3 for the core header's RGBTRIPLEs
    Channel channels[3];                // red, green, blue, for 16 and 32 bits
};

const char* MakeChannels(const std::uint32_t (&masks)[3], int bits, Channel (&channels)[3]) {
    std::uint32_t seen = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t mask = masks[i];
        if (mask == 0) return "a colour mask is empty";
        if (bits == 16 && mask > 0xFFFF) return "a colour mask lies outside the 16-bit pixel";
        if ((mask & seen) != 0) return "colour masks overlap";
        seen |= mask;
        const int shift = std::countr_zero(mask);
        const std::uint32_t run = mask >> shift;
        if ((run & (run + 1)) != 0) return "a colour mask is not one run of bits";
        channels[i] = Channel{mask, shift, std::popcount(run)};
    }
    return nullptr;
}

// Reads the header at `data` (no file header) and fills the layout; null when it is usable.
const char* ParseHeader(const std::uint8_t* data, std::uint64_t size, Layout& layout) {
    if (size < 4) return "too short for a bitmap header";
    const std::uint32_t headerBytes = ReadU32(data);
    std::uint32_t planes = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::int64_t signedHeight = 0;
    if (headerBytes == kCoreHeaderBytes) {
        if (size < kCoreHeaderBytes) return "truncated bitmap header";
        layout.width = ReadU16(data + 4);
        signedHeight = ReadU16(data + 6);
        planes = ReadU16(data + 8);
        layout.bits = ReadU16(data + 10);
        layout.colorEntryBytes = 3;
    } else if (headerBytes == 40 || headerBytes == 52 || headerBytes == 56 || headerBytes == 108 ||
               headerBytes == 124) {
        if (size < headerBytes) return "truncated bitmap header";
        layout.width = static_cast<std::int32_t>(ReadU32(data + 4));
        signedHeight = static_cast<std::int32_t>(ReadU32(data + 8));
        planes = ReadU16(data + 12);
        layout.bits = ReadU16(data + 14);
        compression = ReadU32(data + 16);
        colorsUsed = ReadU32(data + 32);
    } else {
        return "unsupported bitmap header size";
    }

    if (planes != 1) return "plane count is not 1";
    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return "unsupported bit depth";
    }
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bits == 16 || bits == 32))) {
        return "unsupported compression";
    }
    if (layout.width <= 0) return "width is not positive";
    if (signedHeight == 0 || signedHeight == INT32_MIN) return "height is zero or out of range";
    layout.topDown = signedHeight < 0;
    layout.height = signedHeight < 0 ? -signedHeight : signedHeight;

    std::uint64_t maskBytes = 0;
    if (bits == 16 || bits == 32) {
        std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (bits == 32) {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
        if (compression == BI_BITFIELDS) {
            // A plain 40-byte header is followed by the three masks; longer headers hold them.
            if (headerBytes == kInfoHeaderBytes) maskBytes = 12;
            if (size < kInfoHeaderBytes + 12) return "truncated colour masks";
            for (int i = 0; i < 3; ++i) masks[i] = ReadU32(data + kInfoHeaderBytes + 4 * i);
        }
        if (const char* error = MakeChannels(masks, bits, layout.channels)) return error;
    }

    if (bits <= 8) {
        const std::uint64_t addressable = std::uint64_t{1} << bits;
        if (colorsUsed > addressable) return "more colours than the depth can index";
        layout.colorCount = colorsUsed != 0 ? colorsUsed : addressable;
    } else {
        layout.colorCount = colorsUsed;  // an optional table that direct-colour pixels ignore
    }
    layout.tableOffset = headerBytes + maskBytes;
    layout.tableEnd = layout.tableOffset + layout.colorCount * layout.colorEntryBytes;
    if (layout.tableEnd > size) return "colour table runs past the data";
    return nullptr;
}

void ReadColorTable(const Layout& layout, const std::uint8_t* header, DecodedDib& out) {
    out.colors.assign(256, RGBQUAD{0, 0, 0, 0});
    const std::uint8_t* entry = header + layout.tableOffset;
    for (std::uint64_t i = 0; i < layout.colorCount && i < 256; ++i, entry += layout.colorEntryBytes) {
        out.colors[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
}

void DecodeRow(const Layout& layout, const std::uint8_t* in, std::uint8_t* out) {
    const std::int64_t width = layout.width;
    switch (layout.bits) {
        case 1:
            for (std::int64_t x = 0; x < width; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (std::int64_t x = 0; x < width; ++x) out[x] = (in[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xF;
            break;
        case 8:
            for (std::int64_t x = 0; x < width; ++x) out[x] = in[x];
            break;
        case 24:
            for (std::int64_t i = 0; i < width * 3; ++i) out[i] = in[i];
            break;
        default: {
            const int bytesPerPixel = layout.bits / 8;
            for (std::int64_t x = 0; x < width; ++x) {
                const std::uint8_t* p = in + x * bytesPerPixel;
                const std::uint32_t pixel = bytesPerPixel == 2 ? ReadU16(p) : ReadU32(p);
                out[3 * x + 0] = layout.channels[2].Extract(pixel);
                out[3 * x + 1] = layout.channels[1].Extract(pixel);
                out[3 * x + 2] = layout.channels[0].Extract(pixel);
            }
        }
    }
}

std::uint64_t StrideOf(std::uint64_t width, std::uint64_t bits) { return (width * bits + 31) / 32 * 4; }

// Decodes pixels found `pixelOffset` bytes after the header's start.
DibDecodeResult Decode(const std::uint8_t* header, std::uint64_t size, const Layout& layout,
                       std::uint64_t pixelOffset) {
    if (pixelOffset < layout.tableEnd) return {std::nullopt, "pixel data overlaps the colour table"};
    if (pixelOffset > size) return {std::nullopt, "pixel data starts past the end"};
    const auto width = static_cast<std::uint64_t>(layout.width);
    const auto height = static_cast<std::uint64_t>(layout.height);
    const std::uint64_t inStride = StrideOf(width, static_cast<std::uint64_t>(layout.bits));
    // width < 2^31 and height <= 2^31, so neither product below can overflow 64 bits.
    if (inStride * height > size - pixelOffset) return {std::nullopt, "pixel data is truncated"};

    DecodedDib out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.sourceBitsPerPixel = layout.bits;
    out.bitsPerPixel = layout.bits <= 8 ? 8 : 24;
    const std::uint64_t outStride = StrideOf(width, static_cast<std::uint64_t>(out.bitsPerPixel));
    if (outStride * height > kMaxDecodedBytes) return {std::nullopt, "picture is too large"};
    out.strideBytes = static_cast<std::size_t>(outStride);
    out.pixels.assign(static_cast<std::size_t>(outStride * height), 0);
    if (layout.bits <= 8) ReadColorTable(layout, header, out);

    const std::uint8_t* pixels = header + pixelOffset;
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint64_t stored = layout.topDown ? y : height - 1 - y;
        DecodeRow(layout, pixels + stored * inStride, out.pixels.data() + y * outStride);
    }
    return {std::move(out), nullptr};
}

}  // namespace

RGBQUAD DecodedDib::ColorAt(int x, int y) const {
    const std::uint8_t* row = Row(y);
    if (bitsPerPixel == 8) return colors[row[x]];
    return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
}

DibDecodeResult DecodePackedDib(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return {std::nullopt, "no data"};
    Layout layout;
    if (const char* error = ParseHeader(data, size, layout)) return {std::nullopt, error};
    return Decode(data, size, layout, layout.tableEnd);
}

DibDecodeResult DecodeBmpFile(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kFileHeaderBytes) return {std::nullopt, "too short for a file header"};
    if (data[0] != 'B' || data[1] != 'M') return {std::nullopt, "not a BMP file (no BM signature)"};
    const std::uint64_t pixelOffset = ReadU32(data + 10);
    if (pixelOffset < kFileHeaderBytes) return {std::nullopt, "pixel data offset points into the file header"};
    Layout layout;
    const std::uint8_t* header = data + kFileHeaderBytes;
    const std::uint64_t rest = size - kFileHeaderBytes;
    if (const char* error = ParseHeader(header, rest, layout)) return {std::nullopt, error};
    return Decode(header, rest, layout, pixelOffset - kFileHeaderBytes);
}

}  // namespace platform::gdi
