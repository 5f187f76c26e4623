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

using platform::gdi::DibDecodeResult;
using Bytes = std::vector<std::uint8_t>;

const std::string kSuite = std::string(VH_TESTDATA_DIR) + "/bmpsuite/";

Bytes ReadBytes(const std::string& name) {
    std::ifstream in(kSuite + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DibDecodeResult DecodeSuiteFile(const std::string& name) {
    const Bytes bytes = ReadBytes(name);
    EXPECT_FALSE(bytes.empty()) << name;
    return platform::gdi::DecodeBmpFile(bytes.data(), bytes.size());
}

std::vector<std::string> FilesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kSuite + directory))
        if (entry.path().extension() == ".bmp") names.push_back(directory + "/" + entry.path().filename().string());
    return names;
}

bool SameColor(RGBQUAD a, RGBQUAD b, int tolerance = 0) {
    return std::abs(a.rgbRed - b.rgbRed) <= tolerance && std::abs(a.rgbGreen - b.rgbGreen) <= tolerance &&
           std::abs(a.rgbBlue - b.rgbBlue) <= tolerance;
}

TEST(DibBmpSuite, GoodFilesDecodeAtTheirSizeExceptRunLengthOnes) {
    const std::set<std::string> runLength = {"g/pal4rle.bmp", "g/pal8rle.bmp"};
    const std::map<std::string, std::pair<int, int>> oddSizes = {{"g/pal8nonsquare.bmp", {127, 32}},
                                                                 {"g/pal8w124.bmp", {124, 61}},
                                                                 {"g/pal8w125.bmp", {125, 62}},
                                                                 {"g/pal8w126.bmp", {126, 63}}};
    const std::vector<std::string> names = FilesIn("g");
    ASSERT_EQ(names.size(), 27u);
    for (const std::string& name : names) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        if (runLength.contains(name)) {
            EXPECT_STREQ(result.error, "unsupported compression") << name;
            continue;
        }
        ASSERT_TRUE(result.dib) << name << ": " << result.error;
        const auto odd = oddSizes.find(name);
        const std::pair<int, int> size = odd != oddSizes.end() ? odd->second : std::pair{127, 64};
        EXPECT_EQ(std::pair(result.dib->width, result.dib->height), size) << name;
    }
}

TEST(DibBmpSuite, EncodingsAgreeAndCornersHoldTheirVisibleColours) {
    // One picture in many encodings: equal to the 24-bit or the 8-bit file, within the rounding
    // of 5- and 6-bit channels for the 16-bit ones.
    const struct {
        const char* name;
        const char* reference;
        int tolerance;
    } files[] = {
        {"g/rgb24pal.bmp", "g/rgb24.bmp", 0},     {"g/rgb32.bmp", "g/rgb24.bmp", 0},
        {"g/rgb32bf.bmp", "g/rgb24.bmp", 0},      {"g/rgb32bfdef.bmp", "g/rgb24.bmp", 0},
        {"q/rgb32h52.bmp", "g/rgb24.bmp", 0},     {"q/rgb32-xbgr.bmp", "g/rgb24.bmp", 0},
        {"q/rgb32-111110.bmp", "g/rgb24.bmp", 1}, {"q/rgb24largepal.bmp", "g/rgb24.bmp", 0},
        {"g/rgb16.bmp", "g/rgb24.bmp", 4},        {"g/rgb16bfdef.bmp", "g/rgb24.bmp", 4},
        {"g/rgb16-565.bmp", "g/rgb24.bmp", 4},    {"g/rgb16-565pal.bmp", "g/rgb24.bmp", 4},
        {"g/pal8-0.bmp", "g/pal8.bmp", 0},        {"g/pal8os2.bmp", "g/pal8.bmp", 0},
        {"g/pal8topdown.bmp", "g/pal8.bmp", 0},   {"g/pal8v4.bmp", "g/pal8.bmp", 0},
        {"g/pal8v5.bmp", "g/pal8.bmp", 0},        {"q/pal8offs.bmp", "g/pal8.bmp", 0},
    };
    for (const auto& f : files) {
        const DibDecodeResult reference = DecodeSuiteFile(f.reference), candidate = DecodeSuiteFile(f.name);
        ASSERT_TRUE(reference.dib && candidate.dib) << f.name;
        int differing = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 127; ++x)
                differing += !SameColor(reference.dib->ColorAt(x, y), candidate.dib->ColorAt(x, y), f.tolerance);
        EXPECT_EQ(differing, 0) << f.name;
    }
    // Red top-left, black bottom-left: a decoder that flips rows or swaps red and blue fails.
    for (const char* name : {"g/rgb24.bmp", "g/pal8.bmp", "g/pal8topdown.bmp", "g/rgb16-565.bmp", "g/pal4.bmp"}) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        ASSERT_TRUE(result.dib) << name;
        EXPECT_TRUE(SameColor(result.dib->ColorAt(0, 0), RGBQUAD{0, 0, 255, 0})) << name;
        EXPECT_TRUE(SameColor(result.dib->ColorAt(0, 63), RGBQUAD{0, 0, 0, 0})) << name;
    }
}

TEST(DibBmpSuite, BadFilesAreRefusedAndQuestionableOnesNeverFailSilently) {
    // Headers that lie about depth, planes, size or layout must be refused; the other b/ files
    // are damaged only in fields a reader can ignore, or use indices past the colour table.
    const std::set<std::string> mustRefuse = {
        "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badpalettesize.bmp", "b/badplanes.bmp",  "b/badrle.bmp",
        "b/badrle4.bmp",     "b/badrle4bis.bmp",    "b/badrle4ter.bmp",     "b/badrlebis.bmp",  "b/badrleter.bmp",
        "b/badwidth.bmp",    "b/reallybig.bmp",     "b/rgb16-880.bmp",      "b/rletopdown.bmp", "b/shortfile.bmp"};
    std::vector<std::string> names = FilesIn("b");
    ASSERT_EQ(names.size(), 20u);
    for (const std::string& name : FilesIn("q")) names.push_back(name);
    for (const std::string& name : names) {
        const DibDecodeResult result = DecodeSuiteFile(name);
        ASSERT_EQ(!result.dib, result.error != nullptr) << name;
        ASSERT_TRUE(name[0] != 'b' || !result.dib == mustRefuse.contains(name)) << name << ": " << result.error;
        if (!result.dib) continue;
        EXPECT_EQ(std::pair(result.dib->width, result.dib->height), std::pair(127, 64)) << name;
        EXPECT_EQ(result.dib->pixels.size(), result.dib->strideBytes * 64) << name;
    }
    const DibDecodeResult badIndex = DecodeSuiteFile("b/pal8badindex.bmp");
    ASSERT_TRUE(badIndex.dib);
    EXPECT_TRUE(SameColor(badIndex.dib->colors.at(200), RGBQUAD{0, 0, 0, 0}));  // past the table: black
}

TEST(DibBmpSuite, EveryTruncationOfEveryFileIsSafe) {
    // Cutting a file anywhere must give a refusal or the complete picture, never a read past the
    // end (ASan checks the reads; the copy below has exactly the truncated length).
    for (const char* directory : {"g", "q", "b"}) {
        for (const std::string& name : FilesIn(directory)) {
            const Bytes bytes = ReadBytes(name);
            const DibDecodeResult whole = platform::gdi::DecodeBmpFile(bytes.data(), bytes.size());
            for (std::size_t length = 0; length < bytes.size(); length += length < 200 ? 1 : 97) {
                const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
                const DibDecodeResult result = platform::gdi::DecodeBmpFile(cut.data(), cut.size());
                if (!result.dib) continue;  // only trailing bytes the picture does not use may go
                ASSERT_TRUE(whole.dib) << name << " cut at " << length;
                EXPECT_EQ(result.dib->pixels, whole.dib->pixels) << name << " cut at " << length;
            }
        }
    }
}

}  // namespace
