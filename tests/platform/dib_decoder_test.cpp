// The DIB decoder on DIBs made to measure and over the BMP Suite corpus: pixels land where they
// belong, good files decode to the same picture whatever their encoding, headers that lie are
// refused, and no cut of any file reads outside its buffer (run under ASan).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"

namespace {

using dib_test::Bytes;
using platform::gdi::DibDecodeResult;

DibDecodeResult Decode(const Bytes& b) { return platform::gdi::DecodePackedDib(b.data(), b.size()); }
DibDecodeResult DecodeFile(const Bytes& b) { return platform::gdi::DecodeBmpFile(b.data(), b.size()); }
std::uint32_t Rgb(RGBQUAD c) { return (c.rgbRed << 16) | (c.rgbGreen << 8) | c.rgbBlue; }

// Every pixel differs enough from its neighbours to catch swapped rows, columns or nibbles.
dib_test::TestDib Pattern(int width, int height, int bits, bool topDown) {
    dib_test::TestDib dib = dib_test::Filled(width, height, bits, 0);
    dib.topDown = topDown;
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        dib.colors.push_back({static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dib.At(x, y) = (x * 7 + y * 13 + x * y * 101) & (bits <= 8 ? (1 << bits) - 1 : 0xFFFFFF);
    return dib;
}

TEST(DibDecoder, PixelsLandWhereTheyBelongForEveryDepthAndRowOrder) {
    for (const int bits : {1, 4, 8, 24, 32}) {
        for (const int width : {1, 3, 9, 17, -1, -3, -9, -17}) {  // odd widths exercise the row padding; < 0: top-down
            const dib_test::TestDib dib = Pattern(std::abs(width), 5, bits, width < 0);
            const DibDecodeResult result = Decode(dib.Packed());
            ASSERT_TRUE(result.dib && result.dib->bitsPerPixel == (bits <= 8 ? 8 : 24)) << bits;
            for (int i = 0; i < dib.width * 5; ++i) {
                const int x = i % dib.width, y = i / dib.width;
                const std::uint32_t v = dib.pixels[i];
                ASSERT_EQ(Rgb(result.dib->ColorAt(x, y)), bits <= 8 ? Rgb(dib.colors[v]) : v)
                    << bits << " bits, width " << width << " at " << x << "," << y;
                ASSERT_TRUE(bits > 8 || result.dib->Row(y)[x] == v);
            }
        }
    }
    // biClrUsed 2 on 8 bits: the pixels follow 2 entries, blue-green-red, and the other 254 are black.
    dib_test::TestDib dib = dib_test::Filled(3, 1, 8, 0, {{0, 255, 0, 0}, {10, 20, 30, 0}});
    dib.At(1, 0) = 1, dib.At(2, 0) = 255;
    const DibDecodeResult result = Decode(dib.Packed());
    ASSERT_TRUE(result.dib);
    const auto colour = [&](int x) { return Rgb(result.dib->ColorAt(x, 0)); };
    EXPECT_EQ(std::tuple(colour(0), colour(1), colour(2), result.dib->colors.size()),
              std::tuple(0x00FF00u, 0x1E140Au, 0u, std::size_t{256}));  // a table entry for every index
}

TEST(DibDecoder, ColourMasksWidenOrNarrowEachChannelAndBrokenMasksAreRefused) {
    // 16/31 and 32/63 round to the nearest; of 10 bits, the top 8 count. Masks that are empty,
    // overlap, are not one run or are wider than the pixel are refused (-1).
    using Masks = std::array<std::uint32_t, 3>;
    const Masks m565{0xF800, 0x07E0, 0x001F}, m555{0x7C00, 0x03E0, 0x001F};
    // Depth, masks, a pixel and its colour as 0x00RRGGBB.
    const std::tuple<int, Masks, std::uint32_t, std::int64_t> cases[] = {
        {16, m565, 0xF800, 0xFF0000},
        {16, m565, 0x07E0, 0x00FF00},
        {16, m565, 0x001F, 0x0000FF},
        {16, m565, 0x8410, 0x848284},
        {16, m555, 0x4210, 0x848484},
        {32, {0x3FF00000, 0x000FFC00, 0x3FF}, 0x200FFCFF, 0x80FF3F},
        {32, {0xFF, 0xFF00, 0xFF0000}, 0x123456, 0x563412},
        {16, {0xF800, 0x07E0, 0}, 1, -1},
        {16, {0xF800, 0x0FE0, 0x001F}, 1, -1},
        {16, {0xF800, 0x05E0, 0x001F}, 1, -1},
        {16, {0x1F800, 0x07E0, 0x001F}, 1, -1}};
    for (const auto& [bits, masks, pixel, expected] : cases) {
        Bytes dib;
        dib_test::Append(dib, BITMAPINFOHEADER{40, 1, 1, 1, static_cast<WORD>(bits), BI_BITFIELDS, 0, 0, 0, 0, 0});
        dib_test::Append(dib, masks);
        dib_test::Append(dib, pixel);  // 4 bytes: a 16-bit pixel and its row padding
        const DibDecodeResult result = Decode(dib);
        EXPECT_EQ(result.dib ? std::int64_t{Rgb(result.dib->ColorAt(0, 0))} : -1, expected) << std::hex << pixel;
    }
}

TEST(DibDecoder, RefusesHeadersThatLieAndHonoursTheFilesPixelOffset) {
    const Bytes good = Pattern(4, 2, 8, false).Packed();
    ASSERT_TRUE(Decode(good).dib);
    // Each field with the lies it may tell: header size, width, height, planes, depth, compression (1 run-length,
    // 5 PNG), colours.
    const std::int64_t lies[][2] = {
        {0, 41}, {0, 124},        {4, 0},          {4, -4}, {4, 0x7FFFFFFF}, {8, 0},  {8, INT_MIN},
        {8, 3},  {8, 0x7FFFFFFF}, {12, 2},         {14, 2}, {14, 64},        {16, 1}, {16, BI_BITFIELDS},
        {16, 5}, {32, 257},       {32, 0x40000000}};
    for (const auto& [offset, value] : lies) {
        Bytes copy = good;
        std::memcpy(copy.data() + offset, &value, offset == 12 || offset == 14 ? 2 : 4);  // little-endian host
        const DibDecodeResult result = Decode(copy);
        EXPECT_TRUE(!result.dib && result.error) << "offset " << offset << " = " << value;
    }
    for (const std::size_t length : {good.size() - 1, std::size_t{40}, std::size_t{20}, std::size_t{3}})
        EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + static_cast<long>(length))).dib) << length;
    EXPECT_FALSE(platform::gdi::DecodePackedDib(nullptr, 100).dib);

    const Bytes file = Pattern(3, 2, 24, false).File();
    const std::vector<std::uint8_t> pixels = DecodeFile(file).dib.value().pixels;
    EXPECT_EQ(pixels, Decode(Bytes(file.begin() + 14, file.end())).dib.value().pixels);
    auto withOffset = [](Bytes bytes, DWORD value) {
        std::memcpy(bytes.data() + 10, &value, 4);
        return bytes;
    };
    Bytes gapped(file.begin(), file.begin() + 54);  // 8 bytes between the header and the pixels
    gapped.insert(gapped.end(), 8, 0xEE);
    gapped.insert(gapped.end(), file.begin() + 54, file.end());
    EXPECT_EQ(DecodeFile(withOffset(gapped, 54 + 8)).dib.value().pixels, pixels);
    // Inside the info header, no room for pixels, far past the end, no signature.
    for (const DWORD offset : {DWORD{20}, static_cast<DWORD>(file.size()), DWORD{0xFFFFFFF0u}})
        EXPECT_FALSE(DecodeFile(withOffset(file, offset)).dib) << offset;
    Bytes unsigned_ = file;
    EXPECT_FALSE(DecodeFile((unsigned_[0] = 'X', unsigned_)).dib);
}

const std::string kSuite = std::string(VH_TESTDATA_DIR) + "/bmpsuite/";

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DibBmpSuite, GoodFilesDecodeAtTheirSizeAndEncodingsAgreeBadOnesAreRefusedAndNoCutReadsTooFar) {
    // g/: all but run-length compression. b/: headers that lie about depth, planes, size or layout;
    // the other b/ files are damaged only in fields a reader can ignore. q/: reading or refusing.
    const std::set<std::string> refused = {
        "g/pal4rle.bmp",    "g/pal8rle.bmp",   "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badpalettesize.bmp",
        "b/badplanes.bmp",  "b/badrle.bmp",    "b/badrle4.bmp",     "b/badrle4bis.bmp",    "b/badrle4ter.bmp",
        "b/badrlebis.bmp",  "b/badrleter.bmp", "b/badwidth.bmp",    "b/reallybig.bmp",     "b/rgb16-880.bmp",
        "b/rletopdown.bmp", "b/shortfile.bmp"};
    const std::map<std::string, std::pair<int, int>> sizes = {{"g/pal8nonsquare.bmp", {127, 32}},
                                                              {"g/pal8w124.bmp", {124, 61}},
                                                              {"g/pal8w125.bmp", {125, 62}},
                                                              {"g/pal8w126.bmp", {126, 63}}};
    // One picture in many encodings: equal to the 24-bit or the 8-bit file; within the rounding of
    // 5- and 6-bit channels (16-bit files) or of 10- and 11-bit ones (111110).
    const std::set<std::string> agree = {
        "g/rgb24pal.bmp",   "g/rgb32.bmp",         "g/rgb32bf.bmp",      "g/rgb32bfdef.bmp", "q/rgb32h52.bmp",
        "q/rgb32-xbgr.bmp", "q/rgb24largepal.bmp", "q/rgb32-111110.bmp", "g/rgb16.bmp",      "g/rgb16bfdef.bmp",
        "g/rgb16-565.bmp",  "g/rgb16-565pal.bmp",  "g/pal8-0.bmp",       "g/pal8os2.bmp",    "g/pal8topdown.bmp",
        "g/pal8v4.bmp",     "g/pal8v5.bmp",        "q/pal8offs.bmp"};
    const DibDecodeResult rgb24 = DecodeFile(ReadFile(kSuite + "g/rgb24.bmp")),
                          pal8 = DecodeFile(ReadFile(kSuite + "g/pal8.bmp"));
    ASSERT_TRUE(rgb24.dib && pal8.dib);
    int files = 0, compared = 0;
    for (const char* directory : {"g", "b", "q"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kSuite + directory)) {
            const std::string name = std::string(directory) + "/" + entry.path().filename().string();
            const Bytes bytes = ReadFile(entry.path());
            const DibDecodeResult result = DecodeFile(bytes);
            ++files;
            ASSERT_EQ(!result.dib, result.error != nullptr) << name;
            ASSERT_TRUE(name[0] == 'q' || !result.dib == refused.contains(name)) << name << ": " << result.error;
            const auto [width, height] = sizes.contains(name) ? sizes.at(name) : std::pair{127, 64};
            if (result.dib) {
                EXPECT_EQ(std::tuple(result.dib->width, result.dib->height, result.dib->pixels.size()),
                          std::tuple(width, height, result.dib->strideBytes * height))
                    << name;
            }
            if (agree.contains(name)) {
                const auto& reference = name.find("pal8") != std::string::npos ? *pal8.dib : *rgb24.dib;
                const int tolerance = name.starts_with("g/rgb16") ? 4 : name == "q/rgb32-111110.bmp" ? 1 : 0;
                int differing = 0;
                for (int i = 0; i < 127 * 64; ++i, ++compared) {
                    const RGBQUAD a = reference.ColorAt(i % 127, i / 127),
                                  b = result.dib.value().ColorAt(i % 127, i / 127);
                    differing += std::max({std::abs(a.rgbRed - b.rgbRed), std::abs(a.rgbGreen - b.rgbGreen),
                                           std::abs(a.rgbBlue - b.rgbBlue)}) > tolerance;
                }
                EXPECT_EQ(differing, 0) << name;
            }
            // A cut may drop only trailing bytes the picture does not use.
            for (std::size_t length = 0; length < bytes.size(); length += length < 200 ? 1 : 97) {
                const DibDecodeResult part =
                    DecodeFile(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
                ASSERT_TRUE(!part.dib || (result.dib && part.dib->pixels == result.dib->pixels))
                    << name << " cut at " << length;
            }
        }
    }
    EXPECT_EQ(std::tuple(files, compared), std::tuple(27 + 20 + 43, 18 * 127 * 64));
    // Indices past the colour table are black.
    EXPECT_EQ(Rgb(DecodeFile(ReadFile(kSuite + "b/pal8badindex.bmp")).dib.value().colors.at(200)), 0u);
}

}  // namespace
