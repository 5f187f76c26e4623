// The DIB decoder on DIBs made to measure: pixel placement for every depth and row order,
// colour tables and masks, the file's pixel offset, and refusal of headers that lie.
#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"

namespace {

using dib_test::Bytes;
using dib_test::TestDib;
using platform::gdi::DibDecodeResult;

DibDecodeResult Decode(const Bytes& b) { return platform::gdi::DecodePackedDib(b.data(), b.size()); }
DibDecodeResult DecodeFile(const Bytes& b) { return platform::gdi::DecodeBmpFile(b.data(), b.size()); }
std::uint32_t Rgb(RGBQUAD c) { return (c.rgbRed << 16) | (c.rgbGreen << 8) | c.rgbBlue; }

// Every pixel differs enough from its neighbours to catch swapped rows, columns or nibbles.
TestDib Pattern(int width, int height, int bits, bool topDown) {
    TestDib dib = dib_test::Filled(width, height, bits, 0);
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        dib.colors.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0});
    dib.topDown = topDown;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dib.At(x, y) =
                static_cast<std::uint32_t>(x * 7 + y * 13 + x * y * 101) & (bits <= 8 ? (1u << bits) - 1 : 0xFFFFFF);
    return dib;
}

TEST(DibDecoder, PixelsLandWhereTheyBelongForEveryDepthAndRowOrder) {
    for (const int bits : {1, 4, 8, 24, 32}) {
        for (const bool topDown : {false, true}) {
            for (const int width : {1, 3, 9, 17}) {  // odd widths exercise the row padding
                TestDib dib = Pattern(width, 5, bits, topDown);
                const DibDecodeResult result = Decode(dib.Packed());
                ASSERT_TRUE(result.dib) << bits << " bits: " << result.error;
                ASSERT_EQ(result.dib->bitsPerPixel, bits <= 8 ? 8 : 24);
                for (int y = 0; y < 5; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const std::uint32_t v = dib.At(x, y);
                        ASSERT_EQ(Rgb(result.dib->ColorAt(x, y)), bits <= 8 ? Rgb(dib.colors[v]) : v)
                            << bits << " bits, top-down " << topDown << " at " << x << "," << y;
                        ASSERT_TRUE(bits > 8 || result.dib->Row(y)[x] == v);
                    }
                }
            }
        }
    }
}

TEST(DibDecoder, AShortColourTableIsFollowedByThePixelsAndLeavesTheRestBlack) {
    TestDib dib = dib_test::Filled(3, 1, 8, 0, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{10, 20, 30, 0}});  // biClrUsed 2
    dib.At(1, 0) = 1;
    dib.At(2, 0) = 255;
    const DibDecodeResult result = Decode(dib.Packed());
    ASSERT_TRUE(result.dib);
    EXPECT_EQ(Rgb(result.dib->ColorAt(0, 0)), 0x00FF00u);
    EXPECT_EQ(Rgb(result.dib->ColorAt(1, 0)), 0x1E140Au);
    EXPECT_EQ(Rgb(result.dib->ColorAt(2, 0)), 0u);
}

TEST(DibDecoder, ColourMasksWidenOrNarrowEachChannelAndBrokenMasksAreRefused) {
    using Masks = std::array<std::uint32_t, 3>;
    const Masks m565{0xF800, 0x07E0, 0x001F};
    const struct {
        int bits;
        Masks masks;
        std::uint32_t pixel;
        std::int64_t expected;  // 0x00RRGGBB, or -1: refused
    } cases[] = {
        {16, m565, 0xF800, 0xFF0000},
        {16, m565, 0x07E0, 0x00FF00},
        {16, m565, 0x001F, 0x0000FF},
        {16, m565, 0x8410, 0x848284},                                 // 16/31 and 32/63, rounded to the nearest
        {16, {0x7C00, 0x03E0, 0x001F}, 0x4210, 0x848484},             // 5-5-5
        {32, {0x3FF00000, 0x000FFC00, 0x3FF}, 0x200FFCFF, 0x80FF3F},  // 10-bit channels keep their top bits
        {32, {0xFF, 0xFF00, 0xFF0000}, 0x123456, 0x563412},
        {16, {0xF800, 0x07E0, 0}, 1, -1},        // empty
        {16, {0xF800, 0x0FE0, 0x001F}, 1, -1},   // overlapping
        {16, {0xF800, 0x05E0, 0x001F}, 1, -1},   // not one run
        {16, {0x1F800, 0x07E0, 0x001F}, 1, -1},  // wider than the pixel
    };
    for (const auto& c : cases) {
        Bytes dib;
        dib_test::Append(dib, BITMAPINFOHEADER{40, 1, 1, 1, static_cast<WORD>(c.bits), BI_BITFIELDS, 0, 0, 0, 0, 0});
        dib_test::Append(dib, c.masks);
        dib_test::Append(dib, c.pixel);  // 4 bytes: a 16-bit pixel and its row padding
        const DibDecodeResult result = Decode(dib);
        EXPECT_EQ(result.dib ? std::int64_t{Rgb(result.dib->ColorAt(0, 0))} : -1, c.expected) << &c - cases;
    }
}

TEST(DibDecoder, RefusesHeadersThatLie) {
    const Bytes good = Pattern(4, 2, 8, false).Packed();
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
        Bytes copy = good;
        std::memcpy(copy.data() + p.offset, &p.value, static_cast<std::size_t>(p.bytes));  // little-endian host
        const DibDecodeResult result = Decode(copy);
        EXPECT_FALSE(result.dib) << p.what;
        EXPECT_NE(result.error, nullptr) << p.what;
    }
    for (const std::size_t length : {good.size() - 1, std::size_t{40}, std::size_t{20}, std::size_t{3}})
        EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + static_cast<long>(length))).dib) << length;
    EXPECT_FALSE(platform::gdi::DecodePackedDib(nullptr, 100).dib);
}

TEST(DibDecoder, FileEntryHonoursThePixelOffset) {
    const Bytes file = Pattern(3, 2, 24, false).File();
    const DibDecodeResult direct = DecodeFile(file);
    ASSERT_TRUE(direct.dib) << direct.error;
    EXPECT_EQ(direct.dib->pixels, Decode(Bytes(file.begin() + 14, file.end())).dib.value().pixels);
    auto withOffset = [](Bytes bytes, DWORD value) {
        std::memcpy(bytes.data() + 10, &value, 4);
        return bytes;
    };
    Bytes gapped(file.begin(), file.begin() + 54);  // 8 bytes between the header and the pixels
    gapped.insert(gapped.end(), 8, 0xEE);
    gapped.insert(gapped.end(), file.begin() + 54, file.end());
    const DibDecodeResult shifted = DecodeFile(withOffset(gapped, 54 + 8));
    ASSERT_TRUE(shifted.dib) << shifted.error;
    EXPECT_EQ(shifted.dib->pixels, direct.dib->pixels);
    // Inside the info header, no room for pixels, far past the end, no signature.
    for (const DWORD offset : {DWORD{20}, static_cast<DWORD>(file.size()), DWORD{0xFFFFFFF0u}})
        EXPECT_FALSE(DecodeFile(withOffset(file, offset)).dib) << offset;
    Bytes unsigned_ = file;
    unsigned_[0] = 'X';
    EXPECT_FALSE(DecodeFile(unsigned_).dib);
}

}  // namespace
