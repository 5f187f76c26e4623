// Builds small uncompressed DIBs and .bmp files in memory for the GDI tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "wingdi.h"

namespace dib_test {

using Bytes = std::vector<unsigned char>;

template <typename T>
void Append(Bytes& out, const T& value) {
    out.resize(out.size() + sizeof value);
    std::memcpy(out.data() + out.size() - sizeof value, &value, sizeof value);
}

struct TestDib {
    int width = 0, height = 0;  // rows stored bottom-up unless topDown
    int bits = 8;               // 1, 4, 8 (indices into colors) or 24, 32 (pixels as 0x00RRGGBB)
    bool topDown = false;
    std::vector<RGBQUAD> colors;
    std::vector<std::uint32_t> pixels;  // top row first, width * height entries

    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }

    // Header, colour table and pixels, as a bitmap resource holds them.
    Bytes Packed() const {
        Bytes out;
        Append(out, BITMAPINFOHEADER{40, width, topDown ? -height : height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0,
                                     static_cast<DWORD>(colors.size()), 0});
        for (const RGBQUAD& c : colors) out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
        for (int row = 0; row < height; ++row) {
            Bytes line((static_cast<std::size_t>(width) * bits + 31) / 32 * 4, 0);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v =
                    pixels[static_cast<std::size_t>((topDown ? row : height - 1 - row) * width + x)];
                if (bits < 8) line[x * bits / 8] |= static_cast<unsigned char>(v << (8 - bits - x * bits % 8));
                for (int b = 0; bits >= 8 && b < 3 && b < bits / 8; ++b) line[x * bits / 8 + b] = (v >> 8 * b) & 0xFF;
            }
            out.insert(out.end(), line.begin(), line.end());
        }
        return out;
    }
    // The same DIB behind a 14-byte file header.
    Bytes File() const {
        Bytes out, packed = Packed();
        Append(out, BITMAPFILEHEADER{0x4D42 /* "BM" */, static_cast<DWORD>(14 + packed.size()), 0, 0,
                                     static_cast<DWORD>(14 + 40 + 4 * colors.size())});
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    }
};

// A width x height DIB of the given depth whose pixels all hold `value`.
inline TestDib Filled(int width, int height, int bits, std::uint32_t value, std::vector<RGBQUAD> colors = {}) {
    return {width, height, bits, false, std::move(colors), std::vector<std::uint32_t>(width * height, value)};
}

}  // namespace dib_test
