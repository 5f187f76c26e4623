// The DIB decoder on DIBs made to measure: pixel placement for every depth and row order,
// colour masks, and refusal of headers that lie.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"

namespace {

using dib_test::TestDib;
using platform::gdi::DecodedDib;
using platform::gdi::DecodePackedDib;
using platform::gdi::DibDecodeResult;

DibDecodeResult Decode(const std::vector<unsigned char>& bytes) { return DecodePackedDib(bytes.data(), bytes.size()); }

std::uint32_t Rgb(RGBQUAD c) { return (c.rgbRed << 16) | (c.rgbGreen << 8) | c.rgbBlue; }

std::vector<RGBQUAD> Grey(int count) {
    std::vector<RGBQUAD> colors;
    for (int i = 0; i < count; ++i) colors.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), 0, 0});
    return colors;
}

// A picture whose every pixel is distinct enough to catch swapped rows, columns or nibbles.
TestDib Pattern(int width, int height, int bits, bool topDown) {
    TestDib dib = dib_test::Filled(width, height, bits, 0, bits <= 8 ? Grey(1 << bits) : std::vector<RGBQUAD>{});
    dib.topDown = topDown;
    const std::uint32_t mask = bits <= 8 ? (1u << bits) - 1 : 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) dib.At(x, y) = static_cast<std::uint32_t>(x * 7 + y * 13 + x * y * 101) & mask;
    }
    return dib;
}

TEST(DibDecoder, PixelsLandWhereTheyBelongForEveryDepthAndRowOrder) {
    for (const int bits : {1, 4, 8, 24, 32}) {
        for (const bool topDown : {false, true}) {
            for (const int width : {1, 3, 9, 17}) {  // odd widths exercise the row padding
                const TestDib dib = Pattern(width, 5, bits, topDown);
                const DibDecodeResult result = Decode(dib.Packed());
                ASSERT_TRUE(result.dib) << bits << " bits: " << result.error;
                const DecodedDib& out = *result.dib;
                EXPECT_EQ(out.sourceBitsPerPixel, bits);
                EXPECT_EQ(out.bitsPerPixel, bits <= 8 ? 8 : 24);
                EXPECT_EQ(out.strideBytes % 4, 0u);
                for (int y = 0; y < 5; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const std::uint32_t expected = dib.pixels[static_cast<std::size_t>(y * width + x)];
                        const std::uint32_t got = bits <= 8 ? out.Row(y)[x] : Rgb(out.ColorAt(x, y));
                        ASSERT_EQ(got, expected) << bits << " bits, top-down " << topDown << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(DibDecoder, ColourTableReadsBlueGreenRedAndFillsTheRestWithBlack) {
    TestDib dib = dib_test::Filled(2, 1, 8, 0, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{10, 20, 30, 0}});
    dib.At(1, 0) = 1;
    const DibDecodeResult result = Decode(dib.Packed());
    ASSERT_TRUE(result.dib);
    ASSERT_EQ(result.dib->colors.size(), 256u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(0, 0)), 0x00FF00u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(1, 0)), 0x1E140Au);
    EXPECT_EQ(Rgb(result.dib->colors[2]), 0u);
    EXPECT_EQ(Rgb(result.dib->colors[255]), 0u);
}

// A 40-byte header followed by three masks and one row of 16-bit pixels.
std::vector<unsigned char> BitfieldsDib16(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                                          std::vector<std::uint16_t> row) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(row.size());
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 16;
    header.biCompression = BI_BITFIELDS;
    std::vector<unsigned char> out(sizeof header + 12);
    std::memcpy(out.data(), &header, sizeof header);
    const std::uint32_t masks[3] = {red, green, blue};
    std::memcpy(out.data() + sizeof header, masks, sizeof masks);
    row.resize((row.size() + 1) / 2 * 2, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(row.data());
    out.insert(out.end(), bytes, bytes + row.size() * 2);
    return out;
}

TEST(DibDecoder, BitfieldMasksWidenEachChannelToEightBits) {
    const DibDecodeResult result = Decode(BitfieldsDib16(0xF800, 0x07E0, 0x001F, {0xF800, 0x07E0, 0x001F, 0x8410}));
    ASSERT_TRUE(result.dib) << result.error;
    EXPECT_EQ(Rgb(result.dib->ColorAt(0, 0)), 0xFF0000u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(1, 0)), 0x00FF00u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(2, 0)), 0x0000FFu);
    // 16/31 and 32/63 of full scale.
    EXPECT_EQ(Rgb(result.dib->ColorAt(3, 0)), 0x848284u);
}

TEST(DibDecoder, RefusesBrokenMasks) {
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x07E0, 0, {1})).dib);           // empty
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x0FE0, 0x001F, {1})).dib);      // overlapping
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x05E0, 0x001F, {1})).dib);      // not one run
    EXPECT_FALSE(Decode(BitfieldsDib16(0x1F800, 0x07E0, 0x001F, {1})).dib);     // wider than the pixel
    EXPECT_TRUE(Decode(BitfieldsDib16(0x7C00, 0x03E0, 0x001F, {1})).dib);       // 5-5-5 is fine
}

TEST(DibDecoder, RefusesHeadersThatLie) {
    const std::vector<unsigned char> good = Pattern(4, 2, 8, false).Packed();
    ASSERT_TRUE(Decode(good).dib);
    auto patched = [&](std::size_t offset, std::int64_t value, int bytes) {
        std::vector<unsigned char> copy = good;
        std::memcpy(copy.data() + offset, &value, static_cast<std::size_t>(bytes));  // little-endian host
        return copy;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"header size 41", patched(0, 41, 4)},
        {"header size beyond the data", patched(0, 124, 4)},
        {"zero width", patched(4, 0, 4)},
        {"negative width", patched(4, -4, 4)},
        {"zero height", patched(8, 0, 4)},
        {"most negative height", patched(8, INT_MIN, 4)},
        {"two planes", patched(12, 2, 2)},
        {"2-bit depth", patched(14, 2, 2)},
        {"64-bit depth", patched(14, 64, 2)},
        {"run-length 8", patched(16, 1, 4)},
        {"bitfields on 8 bits", patched(16, BI_BITFIELDS, 4)},
        {"PNG inside", patched(16, 5, 4)},
        {"257 colours", patched(32, 257, 4)},
        {"huge colour count", patched(32, 0x40000000, 4)},
        {"more rows than data", patched(8, 3, 4)},
        {"huge width", patched(4, 0x7FFFFFFF, 4)},
        {"huge height", patched(8, 0x7FFFFFFF, 4)},
        {"one pixel byte short", std::vector<unsigned char>(good.begin(), good.end() - 1)},
        {"only the header", std::vector<unsigned char>(good.begin(), good.begin() + 40)},
        {"half a header", std::vector<unsigned char>(good.begin(), good.begin() + 20)},
        {"three bytes", std::vector<unsigned char>(good.begin(), good.begin() + 3)},
    };
    for (const Case& c : cases) {
        const DibDecodeResult result = Decode(c.bytes);
        EXPECT_FALSE(result.dib) << c.what;
        EXPECT_NE(result.error, nullptr) << c.what;
    }
    EXPECT_FALSE(DecodePackedDib(nullptr, 100).dib);
}

TEST(DibDecoder, FewerColoursThanTheDepthShortenTheTable) {
    // biClrUsed 16 on an 8-bit DIB: the pixels start after 16 entries, not 256.
    TestDib dib = dib_test::Filled(4, 1, 8, 15, Grey(16));
    const DibDecodeResult result = Decode(dib.Packed());
    ASSERT_TRUE(result.dib);
    EXPECT_EQ(result.dib->Row(0)[0], 15);
    EXPECT_EQ(Rgb(result.dib->ColorAt(3, 0)), 0x000F0Fu);  // entry 15: blue 15, green 15
}

TEST(DibDecoder, FileEntryHonoursThePixelOffset) {
    const TestDib dib = Pattern(3, 2, 24, false);
    std::vector<unsigned char> file = dib.File();
    const DibDecodeResult direct = platform::gdi::DecodeBmpFile(file.data(), file.size());
    ASSERT_TRUE(direct.dib) << direct.error;
    EXPECT_EQ(Rgb(direct.dib->ColorAt(2, 1)), dib.pixels[5]);

    // A gap of 8 bytes before the pixels, announced by bfOffBits.
    std::vector<unsigned char> gapped(file.begin(), file.begin() + 54);
    gapped.insert(gapped.end(), 8, 0xEE);
    gapped.insert(gapped.end(), file.begin() + 54, file.end());
    const DWORD offset = 54 + 8;
    std::memcpy(gapped.data() + 10, &offset, 4);
    const DibDecodeResult shifted = platform::gdi::DecodeBmpFile(gapped.data(), gapped.size());
    ASSERT_TRUE(shifted.dib) << shifted.error;
    EXPECT_EQ(shifted.dib->pixels, direct.dib->pixels);

    auto withOffset = [&](DWORD value) {
        std::vector<unsigned char> copy = file;
        std::memcpy(copy.data() + 10, &value, 4);
        return platform::gdi::DecodeBmpFile(copy.data(), copy.size());
    };
    EXPECT_FALSE(withOffset(20).dib);                                        // inside the info header
    EXPECT_FALSE(withOffset(static_cast<DWORD>(file.size())).dib);           // no room for pixels
    EXPECT_FALSE(withOffset(0xFFFFFFF0u).dib);                               // far past the end
    std::vector<unsigned char> unsigned_ = file;
    unsigned_[0] = 'X';
    EXPECT_FALSE(platform::gdi::DecodeBmpFile(unsigned_.data(), unsigned_.size()).dib);
}

}  // namespace
