// The DIB decoder over the BMP Suite corpus: good files of the supported kinds decode to the
// same picture whatever their encoding, unsupported or broken ones are refused, and nothing
// reads outside its buffer (run under ASan).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gdi/dib_decoder.h"

namespace {

using platform::gdi::DecodeBmpFile;
using platform::gdi::DecodedDib;
using platform::gdi::DibDecodeResult;

const std::string kSuite = std::string(VH_TESTDATA_DIR) + "/bmpsuite/";

std::vector<std::uint8_t> ReadBytes(const std::string& name) {
    std::ifstream in(kSuite + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DibDecodeResult DecodeSuiteFile(const std::string& name) {
    const std::vector<std::uint8_t> bytes = ReadBytes(name);
    EXPECT_FALSE(bytes.empty()) << name;
    return DecodeBmpFile(bytes.data(), bytes.size());
}

std::vector<std::string> FilesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kSuite + directory)) {
        if (entry.path().extension() == ".bmp") names.push_back(directory + "/" + entry.path().filename().string());
    }
    return names;
}

bool SameColor(RGBQUAD a, RGBQUAD b, int tolerance = 0) {
    return std::abs(a.rgbRed - b.rgbRed) <= tolerance && std::abs(a.rgbGreen - b.rgbGreen) <= tolerance &&
           std::abs(a.rgbBlue - b.rgbBlue) <= tolerance;
}

// Decodes `name` and counts its pixels that differ from `reference` by more than the tolerance.
int DifferingPixels(const DecodedDib& reference, const char* name, int tolerance) {
    const DibDecodeResult candidate = DecodeSuiteFile(name);
    if (!candidate.dib) return -1;
    int differing = 0;
    for (int y = 0; y < reference.height; ++y) {
        for (int x = 0; x < reference.width; ++x) {
            differing += SameColor(reference.ColorAt(x, y), candidate.dib->ColorAt(x, y), tolerance) ? 0 : 1;
        }
    }
    return differing;
}

TEST(DibBmpSuite, GoodFilesDecodeExceptRunLengthOnes) {
    // Run-length compression is not supported; everything else in g/ is.
    const std::set<std::string> refused = {"g/pal4rle.bmp", "g/pal8rle.bmp"};
    const std::map<std::string, std::pair<int, int>> oddSizes = {{"g/pal8nonsquare.bmp", {127, 32}},
                                                                 {"g/pal8w124.bmp", {124, 61}},
                                                                 {"g/pal8w125.bmp", {125, 62}},
                                                                 {"g/pal8w126.bmp", {126, 63}}};
    const std::vector<std::string> names = FilesIn("g");
    ASSERT_EQ(names.size(), 27u);
    for (const std::string& name : names) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        if (refused.contains(name)) {
            EXPECT_FALSE(result.dib) << name;
            EXPECT_STREQ(result.error, "unsupported compression") << name;
            continue;
        }
        ASSERT_TRUE(result.dib) << name << ": " << result.error;
        const auto found = oddSizes.find(name);
        const std::pair<int, int> size = found != oddSizes.end() ? found->second : std::pair{127, 64};
        EXPECT_EQ(std::pair(result.dib->width, result.dib->height), size) << name;
    }
}

TEST(DibBmpSuite, EncodingsAgreeAndCornersHoldTheirVisibleColours) {
    // The direct-colour files hold one picture: equal for 24 and 32 bits, and the 16-bit ones
    // within the rounding of their 5- and 6-bit channels; the 8-bit one in every header flavour.
    const DibDecodeResult rgb24 = DecodeSuiteFile("g/rgb24.bmp");
    const DibDecodeResult pal8 = DecodeSuiteFile("g/pal8.bmp");
    ASSERT_TRUE(rgb24.dib && pal8.dib);
    for (const char* name : {"g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp"}) {
        EXPECT_EQ(DifferingPixels(*rgb24.dib, name, 0), 0) << name;
    }
    for (const char* name : {"g/rgb16.bmp", "g/rgb16bfdef.bmp", "g/rgb16-565.bmp", "g/rgb16-565pal.bmp"}) {
        EXPECT_EQ(DifferingPixels(*rgb24.dib, name, 4), 0) << name;
    }
    for (const char* name : {"g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp"}) {
        EXPECT_EQ(DifferingPixels(*pal8.dib, name, 0), 0) << name;
    }
    // Red top-left and black bottom-left: a decoder that flips rows or swaps red and blue fails.
    for (const char* name : {"g/rgb24.bmp", "g/pal8.bmp", "g/pal8topdown.bmp", "g/rgb16-565.bmp", "g/pal4.bmp"}) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        ASSERT_TRUE(result.dib) << name;
        EXPECT_TRUE(SameColor(result.dib->ColorAt(0, 0), RGBQUAD{0, 0, 255, 0})) << name;
        EXPECT_TRUE(SameColor(result.dib->ColorAt(0, 63), RGBQUAD{0, 0, 0, 0})) << name;
    }
    // Bands along the top row: light red, green and blue at x = 16, 48 and 80.
    EXPECT_TRUE(SameColor(rgb24.dib->ColorAt(16, 0), RGBQUAD{132, 132, 255, 0}));
    EXPECT_TRUE(SameColor(rgb24.dib->ColorAt(48, 0), RGBQUAD{132, 255, 132, 0}));
    EXPECT_TRUE(SameColor(rgb24.dib->ColorAt(80, 0), RGBQUAD{255, 132, 132, 0}));
}

TEST(DibBmpSuite, BadFilesAreRefusedAndQuestionableOnesNeverFailSilently) {
    // Headers that lie about depth, planes, size or layout must be refused; the other b/ files
    // are damaged only in fields a reader can ignore, or use indices past the colour table.
    const std::set<std::string> mustRefuse = {
        "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badpalettesize.bmp", "b/badplanes.bmp",  "b/badrle.bmp",
        "b/badrle4.bmp",     "b/badrle4bis.bmp",    "b/badrle4ter.bmp",     "b/badrlebis.bmp",  "b/badrleter.bmp",
        "b/badwidth.bmp",    "b/reallybig.bmp",     "b/rgb16-880.bmp",      "b/rletopdown.bmp", "b/shortfile.bmp"};
    const std::vector<std::string> bad = FilesIn("b");
    ASSERT_EQ(bad.size(), 20u);
    std::vector<std::string> names = FilesIn("q");
    names.insert(names.end(), bad.begin(), bad.end());
    for (const std::string& name : names) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        ASSERT_EQ(!result.dib, result.error != nullptr) << name;
        if (mustRefuse.contains(name)) {
            EXPECT_FALSE(result.dib) << name;
        } else if (name[0] == 'b') {
            ASSERT_TRUE(result.dib) << name << ": " << result.error;
        }
        if (!result.dib) continue;
        EXPECT_EQ(result.dib->width, 127) << name;
        EXPECT_EQ(result.dib->height, 64) << name;
        EXPECT_EQ(result.dib->pixels.size(), result.dib->strideBytes * 64) << name;
    }
    const DibDecodeResult badIndex = DecodeSuiteFile("b/pal8badindex.bmp");
    ASSERT_TRUE(badIndex.dib);
    ASSERT_EQ(badIndex.dib->colors.size(), 256u);
    EXPECT_TRUE(SameColor(badIndex.dib->colors[200], RGBQUAD{0, 0, 0, 0}));  // past the table: black
}

TEST(DibBmpSuite, EveryTruncationOfEveryFileIsSafe) {
    // Cutting a file anywhere must give a refusal or a complete picture, never a read past the
    // end (ASan checks the reads; the copy below has exactly the truncated length).
    for (const char* directory : {"g", "q", "b"}) {
        for (const std::string& name : FilesIn(directory)) {
            const std::vector<std::uint8_t> bytes = ReadBytes(name);
            const DibDecodeResult whole = DecodeBmpFile(bytes.data(), bytes.size());
            for (std::size_t length = 0; length < bytes.size(); length += length < 200 ? 1 : 97) {
                const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
                const DibDecodeResult result = DecodeBmpFile(cut.data(), cut.size());
                // Only trailing bytes the picture does not use may be cut from a decodable file.
                if (result.dib) {
                    ASSERT_TRUE(whole.dib) << name << " cut at " << length;
                    EXPECT_EQ(result.dib->pixels, whole.dib->pixels) << name << " cut at " << length;
                }
            }
        }
    }
}

}  // namespace
