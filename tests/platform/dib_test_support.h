// Builds small uncompressed DIBs and .bmp files in memory for the GDI and resource tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "wingdi.h"

namespace dib_test {

struct TestDib {
    int width = 0;
    int height = 0;  // rows; stored bottom-up unless topDown
    int bits = 8;    // 1, 4, 8 (indices into colors) or 24, 32 (pixels as 0x00RRGGBB)
    bool topDown = false;
    std::vector<RGBQUAD> colors;
    std::vector<std::uint32_t> pixels;  // top row first, width * height entries

    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }

    // Header, colour table and pixels, as a bitmap resource holds them.
    std::vector<unsigned char> Packed() const {
        const BITMAPINFOHEADER header{sizeof header,
                                      width,
                                      topDown ? -height : height,
                                      1,
                                      static_cast<WORD>(bits),
                                      BI_RGB,
                                      0,
                                      0,
                                      0,
                                      static_cast<DWORD>(colors.size()),
                                      0};
        std::vector<unsigned char> out(sizeof header);
        std::memcpy(out.data(), &header, sizeof header);
        for (const RGBQUAD& c : colors) out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
        const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
        for (int row = 0; row < height; ++row) {
            const int y = topDown ? row : height - 1 - row;
            std::vector<unsigned char> line(stride, 0);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = pixels[static_cast<std::size_t>(y * width + x)];
                switch (bits) {
                    case 1: line[x / 8] |= static_cast<unsigned char>((v & 1) << (7 - x % 8)); break;
                    case 4: line[x / 2] |= static_cast<unsigned char>((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
                    case 8: line[x] = static_cast<unsigned char>(v); break;
                    default: {
                        const int bytes = bits / 8;
                        line[x * bytes + 0] = static_cast<unsigned char>(v);
                        line[x * bytes + 1] = static_cast<unsigned char>(v >> 8);
                        line[x * bytes + 2] = static_cast<unsigned char>(v >> 16);
                    }
                }
            }
            out.insert(out.end(), line.begin(), line.end());
        }
        return out;
    }

    // The same DIB behind a 14-byte file header.
    std::vector<unsigned char> File() const {
        const std::vector<unsigned char> packed = Packed();
        const BITMAPFILEHEADER header{0x4D42 /* "BM" */, static_cast<DWORD>(sizeof header + packed.size()), 0, 0,
                                      static_cast<DWORD>(sizeof header + sizeof(BITMAPINFOHEADER) + 4 * colors.size())};
        std::vector<unsigned char> out(sizeof header + packed.size());
        std::memcpy(out.data(), &header, sizeof header);
        std::memcpy(out.data() + sizeof header, packed.data(), packed.size());
        return out;
    }
};

// A width x height DIB of the given depth whose pixels all hold `value`.
inline TestDib Filled(int width, int height, int bits, std::uint32_t value, std::vector<RGBQUAD> colors = {}) {
    return TestDib{width,
                   height,
                   bits,
                   false,
                   std::move(colors),
                   std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), value)};
}

}  // namespace dib_test
