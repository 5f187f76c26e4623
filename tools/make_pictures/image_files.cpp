// Colour ramps, the palette key check, and the BMP/ICO encoders with the file writer.
#include "image_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace pictures {
namespace {

class ByteWriter {
public:
    void U8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// 40-byte BITMAPINFOHEADER, BI_RGB.
void WriteInfoHeader(ByteWriter& out, int width, int height, int bitCount, uint32_t imageSize, uint32_t colorsUsed) {
    out.U32(40);
    out.I32(width);
    out.I32(height);
    out.U16(1);
    out.U16(static_cast<uint32_t>(bitCount));
    out.U32(0);  // BI_RGB
    out.U32(imageSize);
    out.I32(2835);  // 72 dpi
    out.I32(2835);
    out.U32(colorsUsed);
    out.U32(0);
}

uint32_t RowStride(int width, int bitCount) { return ((static_cast<uint32_t>(width * bitCount) + 31u) / 32u) * 4u; }

}  // namespace

Rgb Ramp(const std::vector<std::pair<double, Rgb>>& stops, double t) {
    if (t <= stops.front().first) return stops.front().second;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const double u = (t - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
            return Mix(stops[i - 1].second, stops[i].second, u);
        }
    }
    return stops.back().second;
}

void CheckKeySafety(const Palette& palette, const char* name) {
    if (palette[0].r != kKeyGreen.r || palette[0].g != kKeyGreen.g || palette[0].b != kKeyGreen.b) {
        std::fprintf(stderr, "make_pictures: %s: palette entry 0 is not pure green\n", name);
        std::exit(1);
    }
    for (size_t i = 1; i < palette.size(); ++i) {
        if (LooksLikeKey(palette[i])) {
            std::fprintf(stderr, "make_pictures: %s: palette entry %zu (%d,%d,%d) matches the colour key in 16 bits\n",
                         name, i, palette[i].r, palette[i].g, palette[i].b);
            std::exit(1);
        }
    }
}

std::vector<uint8_t> EncodeBmp24(const std::vector<Color8>& topDown, int width, int height) {
    const uint32_t stride = RowStride(width, 24);
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(14 + 40 + imageSize);
    out.U32(0);
    out.U32(14 + 40);
    WriteInfoHeader(out, width, height, 24, imageSize, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Color8 c = topDown[static_cast<size_t>(y) * width + x];
            out.U8(c.b);
            out.U8(c.g);
            out.U8(c.r);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) out.U8(0);
    }
    return out.Bytes();
}

// 8-bit bottom-up BMP with a full 256-entry colour table.
std::vector<uint8_t> EncodeBmp8(const IndexImage& image, const Palette& palette) {
    const uint32_t stride = RowStride(image.width, 8);
    const uint32_t imageSize = stride * static_cast<uint32_t>(image.height);
    const uint32_t offset = 14 + 40 + 256 * 4;
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(offset + imageSize);
    out.U32(0);
    out.U32(offset);
    WriteInfoHeader(out, image.width, image.height, 8, imageSize, 256);
    for (const Color8& c : palette) {
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) out.U8(image.Get(x, y));
        for (uint32_t pad = static_cast<uint32_t>(image.width); pad < stride; ++pad) out.U8(0);
    }
    return out.Bytes();
}

std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    std::vector<std::vector<uint8_t>> blobs;
    for (const IconImage& icon : images) {
        const int n = icon.size;
        const uint32_t maskStride = RowStride(n, 1);
        ByteWriter dib;
        WriteInfoHeader(dib, n, n * 2, 32, static_cast<uint32_t>(n * n * 4) + maskStride * n, 0);
        for (int y = n - 1; y >= 0; --y) {
            for (int x = 0; x < n; ++x) {
                for (uint8_t byte : icon.bgra[static_cast<size_t>(y) * n + x]) dib.U8(byte);
            }
        }
        for (int y = n - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < n; ++x) {
                if (icon.bgra[static_cast<size_t>(y) * n + x][3] == 0)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            for (uint8_t byte : row) dib.U8(byte);
        }
        blobs.push_back(dib.Bytes());
    }
    ByteWriter out;
    out.U16(0);
    out.U16(1);  // icon
    out.U16(static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.U8(static_cast<uint32_t>(images[i].size));
        out.U8(static_cast<uint32_t>(images[i].size));
        out.U8(0);   // no colour count (more than 256 colours)
        out.U8(0);   // reserved
        out.U16(1);  // planes
        out.U16(32);
        out.U32(static_cast<uint32_t>(blobs[i].size()));
        out.U32(offset);
        offset += static_cast<uint32_t>(blobs[i].size());
    }
    for (const auto& blob : blobs) {
        for (uint8_t byte : blob) out.U8(byte);
    }
    return out.Bytes();
}

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

}  // namespace pictures
