// The DIB decoder on DIBs made to measure: pixel placement for every depth and row order,
// colour masks, and refusal of headers that lie.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"

namespace {

using dib_test::TestDib;
using platform::gdi::DecodePackedDib;
using platform::gdi::DibDecodeResult;

DibDecodeResult Decode(const std::vector<unsigned char>& bytes) { return DecodePackedDib(bytes.data(), bytes.size()); }
DibDecodeResult DecodeFile(const std::vector<unsigned char>& bytes) {
    return platform::gdi::DecodeBmpFile(bytes.data(), bytes.size());
}
std::uint32_t Rgb(RGBQUAD c) { return (c.rgbRed << 16) | (c.rgbGreen << 8) | c.rgbBlue; }

// A picture whose every pixel is distinct enough to catch swapped rows, columns or nibbles.
TestDib Pattern(int width, int height, int bits, bool topDown) {
    std::vector<RGBQUAD> grey;
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        grey.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), 0, 0});
    TestDib dib = dib_test::Filled(width, height, bits, 0, grey);
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
                EXPECT_EQ(result.dib->bitsPerPixel, bits <= 8 ? 8 : 24);
                for (int y = 0; y < 5; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const std::uint32_t got = bits <= 8 ? result.dib->Row(y)[x] : Rgb(result.dib->ColorAt(x, y));
                        ASSERT_EQ(got, dib.pixels[static_cast<std::size_t>(y * width + x)])
                            << bits << " bits, top-down " << topDown << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(DibDecoder, ShortColourTableReadsBlueGreenRedAndFillsTheRestWithBlack) {
    // biClrUsed 2 on an 8-bit DIB: the pixels start after 2 entries, not 256.
    TestDib dib = dib_test::Filled(2, 1, 8, 0, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{10, 20, 30, 0}});
    dib.At(1, 0) = 1;
    const DibDecodeResult result = Decode(dib.Packed());
    ASSERT_TRUE(result.dib);
    ASSERT_EQ(result.dib->colors.size(), 256u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(0, 0)), 0x00FF00u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(1, 0)), 0x1E140Au);
    EXPECT_EQ(Rgb(result.dib->colors[255]), 0u);
}

// A 40-byte header followed by three masks and one row of 16-bit pixels.
std::vector<unsigned char> BitfieldsDib16(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                                          std::vector<std::uint16_t> row) {
    BITMAPINFOHEADER header{sizeof header, static_cast<LONG>(row.size()), 1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
    const std::uint32_t masks[3] = {red, green, blue};
    std::vector<unsigned char> out(sizeof header + sizeof masks);
    std::memcpy(out.data(), &header, sizeof header);
    std::memcpy(out.data() + sizeof header, masks, sizeof masks);
    row.resize((row.size() + 1) / 2 * 2, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(row.data());
    out.insert(out.end(), bytes, bytes + row.size() * 2);
    return out;
}

TEST(DibDecoder, BitfieldMasksWidenEachChannelAndBrokenMasksAreRefused) {
    const DibDecodeResult result = Decode(BitfieldsDib16(0xF800, 0x07E0, 0x001F, {0xF800, 0x07E0, 0x001F, 0x8410}));
    ASSERT_TRUE(result.dib) << result.error;
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x848284};  // last: 16/31 and 32/63
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Rgb(result.dib->ColorAt(x, 0)), expected[x]) << x;
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x07E0, 0, {1})).dib);        // empty
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x0FE0, 0x001F, {1})).dib);   // overlapping
    EXPECT_FALSE(Decode(BitfieldsDib16(0xF800, 0x05E0, 0x001F, {1})).dib);   // not one run
    EXPECT_FALSE(Decode(BitfieldsDib16(0x1F800, 0x07E0, 0x001F, {1})).dib);  // wider than the pixel
    EXPECT_TRUE(Decode(BitfieldsDib16(0x7C00, 0x03E0, 0x001F, {1})).dib);    // 5-5-5 is fine
}

TEST(DibDecoder, RefusesHeadersThatLie) {
    const std::vector<unsigned char> good = Pattern(4, 2, 8, false).Packed();
    ASSERT_TRUE(Decode(good).dib);
    const struct {
        const char* what;
        std::size_t offset;
        std::int64_t value;
        int bytes;
    } patches[] = {
        {"header size 41", 0, 41, 4},
        {"header size beyond the data", 0, 124, 4},
        {"zero width", 4, 0, 4},
        {"negative width", 4, -4, 4},
        {"zero height", 8, 0, 4},
        {"most negative height", 8, INT_MIN, 4},
        {"two planes", 12, 2, 2},
        {"2-bit depth", 14, 2, 2},
        {"64-bit depth", 14, 64, 2},
        {"run-length 8", 16, 1, 4},
        {"bitfields on 8 bits", 16, BI_BITFIELDS, 4},
        {"PNG inside", 16, 5, 4},
        {"257 colours", 32, 257, 4},
        {"huge colour count", 32, 0x40000000, 4},
        {"more rows than data", 8, 3, 4},
        {"huge width", 4, 0x7FFFFFFF, 4},
        {"huge height", 8, 0x7FFFFFFF, 4},
    };
    for (const auto& p : patches) {
        std::vector<unsigned char> copy = good;
        std::memcpy(copy.data() + p.offset, &p.value, static_cast<std::size_t>(p.bytes));  // little-endian host
        const DibDecodeResult result = Decode(copy);
        EXPECT_FALSE(result.dib) << p.what;
        EXPECT_NE(result.error, nullptr) << p.what;
    }
    for (const std::size_t length : {good.size() - 1, std::size_t{40}, std::size_t{20}, std::size_t{3}}) {
        EXPECT_FALSE(Decode(std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(length))).dib)
            << length;
    }
    EXPECT_FALSE(DecodePackedDib(nullptr, 100).dib);
}

TEST(DibDecoder, FileEntryHonoursThePixelOffset) {
    const TestDib dib = Pattern(3, 2, 24, false);
    const std::vector<unsigned char> file = dib.File();
    const DibDecodeResult direct = DecodeFile(file);
    ASSERT_TRUE(direct.dib) << direct.error;
    EXPECT_EQ(Rgb(direct.dib->ColorAt(2, 1)), dib.pixels[5]);
    auto withOffset = [](std::vector<unsigned char> bytes, DWORD value) {
        std::memcpy(bytes.data() + 10, &value, 4);
        return bytes;
    };
    // A gap of 8 bytes before the pixels, announced by bfOffBits.
    std::vector<unsigned char> gapped(file.begin(), file.begin() + 54);
    gapped.insert(gapped.end(), 8, 0xEE);
    gapped.insert(gapped.end(), file.begin() + 54, file.end());
    const DibDecodeResult shifted = DecodeFile(withOffset(gapped, 54 + 8));
    ASSERT_TRUE(shifted.dib) << shifted.error;
    EXPECT_EQ(shifted.dib->pixels, direct.dib->pixels);
    // Inside the info header, no room for pixels, far past the end.
    for (const DWORD offset : {DWORD{20}, static_cast<DWORD>(file.size()), DWORD{0xFFFFFFF0u}}) {
        EXPECT_FALSE(DecodeFile(withOffset(file, offset)).dib) << offset;
    }
    std::vector<unsigned char> unsigned_ = file;
    unsigned_[0] = 'X';
    EXPECT_FALSE(DecodeFile(unsigned_).dib);
}

}  // namespace
