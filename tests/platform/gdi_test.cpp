// GDI: the DIB decoder (DIBs made to measure, the BMP Suite, lying headers, cut files read under ASan); memory DCs and
// DIB sections; text and StretchBlt into 16-bit surface DCs inside a guard band; LoadImageA on bitmap resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "gdi/dib_decoder.h"
#include "gdi/gdi_control.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"
#include "kernel/kernel_control.h"
#include "windows.h"

namespace {

using platform::PixelFormat;
using platform::gdi::CreateSurfaceDC;
using platform::gdi::DestroySurfaceDC;
using platform::gdi::DibDecodeResult;
using platform::gdi::LiveGdiObjectCount;
using Pixels = std::vector<std::uint16_t>;
using Bytes = std::vector<unsigned char>;

template <typename T>
void Append(Bytes& out, const T& value) {
    out.insert(out.end(), reinterpret_cast<const unsigned char*>(&value),
               reinterpret_cast<const unsigned char*>(&value + 1));
}

// Small uncompressed DIBs built in memory.
struct TestDib {
    int width = 0, height = 0;  // rows stored bottom-up unless topDown
    int bits = 8;               // 1, 4, 8 (indices into colors) or 24, 32 (pixels as 0x00RRGGBB)
    bool topDown = false;
    std::vector<RGBQUAD> colors;
    std::vector<std::uint32_t> pixels;  // top row first, width * height entries

    // Header, colour table and pixels, as a bitmap resource holds them.
    Bytes Packed() const {
        Bytes out;
        Append(out, BITMAPINFOHEADER{40, width, topDown ? -height : height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0,
                                     static_cast<DWORD>(colors.size()), 0});
        for (const RGBQUAD& c : colors) out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
        for (int row = 0; row < height; ++row) {
            Bytes line((static_cast<std::size_t>(width) * bits + 31) / 32 * 4, 0);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = pixels[std::size_t((topDown ? row : height - 1 - row) * width + x)];
                if (bits < 8) line[x * bits / 8] |= static_cast<unsigned char>(v << (8 - bits - x * bits % 8));
                for (int b = 0; bits >= 8 && b < 3 && b < bits / 8; ++b) line[x * bits / 8 + b] = (v >> 8 * b) & 0xFF;
            }
            out.insert(out.end(), line.begin(), line.end());
        }
        return out;
    }
    // The same DIB behind a 14-byte file header, "BM".
    Bytes File() const {
        Bytes out, packed = Packed();
        Append(out, BITMAPFILEHEADER{0x4D42, DWORD(14 + packed.size()), 0, 0, DWORD(54 + 4 * colors.size())});
        return out.insert(out.end(), packed.begin(), packed.end()), out;
    }
};

DibDecodeResult Decode(const Bytes& b) { return platform::gdi::DecodePackedDib(b.data(), b.size()); }
DibDecodeResult DecodeFile(const Bytes& b) { return platform::gdi::DecodeBmpFile(b.data(), b.size()); }
std::uint32_t Rgb(RGBQUAD c) { return (c.rgbRed << 16) | (c.rgbGreen << 8) | c.rgbBlue; }

// Every pixel differs enough from its neighbours to catch swapped rows, columns, bytes or nibbles.
TestDib Pattern(int width, int height, int bits, bool topDown) {
    TestDib dib{width, height, bits, topDown, {}, {}};
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        dib.colors.push_back({static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0});
    for (int i = 0, x = 0, y = 0; i < width * height; x = ++i % width, y = i / width)
        dib.pixels.push_back((x * 7 + y * 13 + x * y * 101 + x / 3) & (bits <= 8 ? (1 << bits) - 1 : 0xFFFFFF));
    return dib;
}

TEST(DibDecoder, PixelsLandWhereTheyBelongForEveryDepthAndRowOrder) {
    for (const int bits : {1, 4, 8, 24, 32})
        // Odd widths exercise the row padding, 8 and 4 rows without it; < 0: top-down.
        for (const int width : {1, 3, 8, 9, 17, -1, -3, -4, -9, -17}) {
            const TestDib dib = Pattern(std::abs(width), 5, bits, width < 0);
            const DibDecodeResult result = Decode(dib.Packed());
            ASSERT_TRUE(result.dib && result.dib->bitsPerPixel == (bits <= 8 ? 8 : 24)) << bits;
            for (int i = 0; i < dib.width * 5; ++i) {
                const std::uint32_t v = dib.pixels[i], x = i % dib.width, y = i / dib.width;
                ASSERT_EQ(Rgb(result.dib->ColorAt(x, y)), bits <= 8 ? Rgb(dib.colors[v]) : v)
                    << bits << " bits, width " << width << " at " << x << "," << y;
                ASSERT_TRUE(bits > 8 || result.dib->Row(y)[x] == v);
            }
        }
    // biClrUsed 2 on 8 bits: the pixels follow 2 entries, blue-green-red, and the other 254 are black.
    const auto dib = Decode(TestDib{3, 1, 8, false, {{0, 255, 0, 0}, {10, 20, 30, 0}}, {0, 1, 2}}.Packed()).dib.value();
    const auto colour = [&](int x) { return Rgb(dib.ColorAt(x, 0)); };
    EXPECT_EQ(std::tuple(colour(0), colour(1), colour(2), dib.colors.size()),
              std::tuple(0x00FF00u, 0x1E140Au, 0u, std::size_t{256}));  // a table entry for every index
}

TEST(DibDecoder, ColourMasksWidenOrNarrowEachChannelAndBrokenMasksAreRefused) {
    // Depth, red, green and blue masks, a pixel and its colour as 0x00RRGGBB: 16/31 and 32/63 round to the nearest; of
    // 10 bits the top 8 count. Masks that are empty, overlap, are not one run or outgrow the pixel are refused.
    constexpr std::uint32_t kRefused = ~0u;
    const std::uint32_t cases[][6] = {
        {16, 0xF800, 0x07E0, 0x001F, 0xF800, 0xFF0000},   {16, 0xF800, 0x07E0, 0x001F, 0x07E0, 0x00FF00},
        {16, 0xF800, 0x07E0, 0x001F, 0x001F, 0x0000FF},   {16, 0xF800, 0x07E0, 0x001F, 0x8410, 0x848284},
        {16, 0x7C00, 0x03E0, 0x001F, 0x4210, 0x848484},   {32, 0x3FF00000, 0x000FFC00, 0x3FF, 0x200FFCFF, 0x80FF3F},
        {32, 0xFF, 0xFF00, 0xFF0000, 0x123456, 0x563412}, {16, 0xF800, 0x07E0, 0, 1, kRefused},
        {16, 0xF800, 0x0FE0, 0x001F, 1, kRefused},        {16, 0xF800, 0x05E0, 0x001F, 1, kRefused},
        {16, 0x1F800, 0x07E0, 0x001F, 1, kRefused}};
    for (const auto& [bits, red, green, blue, pixel, expected] : cases) {
        Bytes dib;
        Append(dib, BITMAPINFOHEADER{40, 1, 1, 1, static_cast<WORD>(bits), BI_BITFIELDS, 0, 0, 0, 0, 0});
        Append(dib, std::array{red, green, blue, pixel});  // a 16-bit pixel takes its row padding along
        const DibDecodeResult result = Decode(dib);
        EXPECT_EQ(result.dib ? Rgb(result.dib->ColorAt(0, 0)) : kRefused, expected) << std::hex << pixel;
    }
}

TEST(DibDecoder, RefusesHeadersThatLieAndHonoursTheFilesPixelOffset) {
    const Bytes good = Pattern(4, 2, 8, false).Packed();
    ASSERT_TRUE(Decode(good).dib);
    // Each field with the lies it may tell: header size, width, height, planes, depth, compression (1 RLE, 5 PNG),
    // colours.
    const std::int64_t lies[][2] = {
        {0, 41}, {0, 124},        {4, 0},          {4, -4}, {4, 0x7FFFFFFF}, {8, 0},  {8, INT32_MIN},
        {8, 3},  {8, 0x7FFFFFFF}, {12, 2},         {14, 2}, {14, 64},        {16, 1}, {16, BI_BITFIELDS},
        {16, 5}, {32, 257},       {32, 0x40000000}};
    // The first n bytes of `value` written at `at`: its low bytes on a little-endian host.
    const auto patch = [](Bytes b, std::size_t at, auto v, std::size_t n) { return std::memcpy(&b[at], &v, n), b; };
    for (const auto& [offset, value] : lies) {
        const DibDecodeResult result = Decode(patch(good, offset, value, offset == 12 || offset == 14 ? 2 : 4));
        EXPECT_TRUE(!result.dib && result.error) << "offset " << offset << " = " << value;
    }
    for (const std::size_t length : {good.size() - 1, std::size_t{40}, std::size_t{20}, std::size_t{3}})
        EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + static_cast<long>(length))).dib) << length;
    EXPECT_FALSE(platform::gdi::DecodePackedDib(nullptr, 100).dib);
    const Bytes file = Pattern(3, 2, 24, false).File();
    const std::vector<std::uint8_t> pixels = DecodeFile(file).dib.value().pixels;
    EXPECT_EQ(pixels, Decode(Bytes(file.begin() + 14, file.end())).dib.value().pixels);
    Bytes gapped = file;  // 8 bytes between the header and the pixels
    gapped.insert(gapped.begin() + 54, 8, 0xEE);
    EXPECT_EQ(DecodeFile(patch(gapped, 10, DWORD{54 + 8}, 4)).dib.value().pixels, pixels);
    // Inside the info header, no room for pixels, far past the end, no signature.
    for (const DWORD offset : {DWORD{20}, static_cast<DWORD>(file.size()), DWORD{0xFFFFFFF0u}})
        EXPECT_FALSE(DecodeFile(patch(file, 10, offset, 4)).dib) << offset;
    EXPECT_FALSE(DecodeFile(patch(file, 0, 'X', 1)).dib);
}

const std::string kSuite = std::string(VH_TESTDATA_DIR) + "/bmpsuite/";

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DibBmpSuite, GoodFilesDecodeAtTheirSizeAndEncodingsAgreeBadOnesAreRefusedAndNoCutReadsTooFar) {
    // g/: all but run-length compression. b/: headers that lie about depth, planes, size or layout; the other b/ files
    // are damaged only in fields a reader can ignore. q/: reading or refusing.
    const std::set<std::string> refused = {
        "g/pal4rle.bmp",    "g/pal8rle.bmp",   "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badpalettesize.bmp",
        "b/badplanes.bmp",  "b/badrle.bmp",    "b/badrle4.bmp",     "b/badrle4bis.bmp",    "b/badrle4ter.bmp",
        "b/badrlebis.bmp",  "b/badrleter.bmp", "b/badwidth.bmp",    "b/reallybig.bmp",     "b/rgb16-880.bmp",
        "b/rletopdown.bmp", "b/shortfile.bmp"};
    // All are 127 x 64 but these.
    const std::map<std::string, std::pair<int, int>> sizes = {{"g/pal8nonsquare.bmp", {127, 32}},
                                                              {"g/pal8w124.bmp", {124, 61}},
                                                              {"g/pal8w125.bmp", {125, 62}},
                                                              {"g/pal8w126.bmp", {126, 63}}};
    // One picture in many encodings: equal to the 24-bit or the 8-bit file; within the rounding of 5- and 6-bit
    // channels (16-bit files) or of 10- and 11-bit ones (111110).
    const std::set<std::string> agree = {
        "g/rgb24pal.bmp",   "g/rgb32.bmp",         "g/rgb32bf.bmp",      "g/rgb32bfdef.bmp", "q/rgb32h52.bmp",
        "q/rgb32-xbgr.bmp", "q/rgb24largepal.bmp", "q/rgb32-111110.bmp", "g/rgb16.bmp",      "g/rgb16bfdef.bmp",
        "g/rgb16-565.bmp",  "g/rgb16-565pal.bmp",  "g/pal8-0.bmp",       "g/pal8os2.bmp",    "g/pal8topdown.bmp",
        "g/pal8v4.bmp",     "g/pal8v5.bmp",        "q/pal8offs.bmp"};
    const DibDecodeResult rgb24 = DecodeFile(ReadFile(kSuite + "g/rgb24.bmp")),
                          pal8 = DecodeFile(ReadFile(kSuite + "g/pal8.bmp"));
    ASSERT_TRUE(rgb24.dib && pal8.dib);
    int files = 0, compared = 0;
    for (const char* directory : {"g", "b", "q"})
        for (const auto& entry : std::filesystem::directory_iterator(kSuite + directory)) {
            const std::string name = std::string(directory) + "/" + entry.path().filename().string();
            const Bytes bytes = ReadFile(entry.path());
            const DibDecodeResult result = DecodeFile(bytes);
            ++files;
            ASSERT_EQ(!result.dib, result.error != nullptr) << name;
            ASSERT_TRUE(name[0] == 'q' || !result.dib == refused.contains(name)) << name << ": " << result.error;
            const auto [width, height] = sizes.contains(name) ? sizes.at(name) : std::pair{127, 64};
            const auto& d = result.dib;
            EXPECT_TRUE(!d || (d->width == width && d->height == height && d->pixels.size() == d->strideBytes * height))
                << name;
            if (agree.contains(name)) {
                const auto& reference = name.find("pal8") != std::string::npos ? *pal8.dib : *rgb24.dib;
                const int tolerance = name.starts_with("g/rgb16") ? 4 : name == "q/rgb32-111110.bmp" ? 1 : 0;
                int differing = 0;
                for (int i = 0; i < 127 * 64; ++i, ++compared) {
                    const RGBQUAD a = reference.ColorAt(i % 127, i / 127), b = d->ColorAt(i % 127, i / 127);
                    differing += std::max({std::abs(a.rgbRed - b.rgbRed), std::abs(a.rgbGreen - b.rgbGreen),
                                           std::abs(a.rgbBlue - b.rgbBlue)}) > tolerance;
                }
                EXPECT_EQ(differing, 0) << name;
            }
            // A cut may drop only trailing bytes the picture does not use.
            for (std::size_t length = 0; length < bytes.size(); length += length < 200 ? 1 : 97) {
                const DibDecodeResult part = DecodeFile(Bytes(bytes.begin(), bytes.begin() + long(length)));
                ASSERT_TRUE(!part.dib || (result.dib && part.dib->pixels == result.dib->pixels))
                    << name << " cut at " << length;
            }
        }
    EXPECT_EQ(std::tuple(files, compared), std::tuple(27 + 20 + 43, 18 * 127 * 64));
    // Indices past the colour table are black.
    EXPECT_EQ(Rgb(DecodeFile(ReadFile(kSuite + "b/pal8badindex.bmp")).dib.value().colors.at(200)), 0u);
}

constexpr int kGuard = 24;

HBITMAP MakeBitmap(const TestDib& dib) { return platform::gdi::CreateDibSection(Decode(dib.Packed()).dib.value()); }
HBITMAP MakeBitmap(int width, int height, int bits) {
    return MakeBitmap({width, height, bits, false, std::vector<RGBQUAD>(bits <= 8 ? 2 : 0),
                       std::vector<std::uint32_t>(width * height)});
}

// Every pixel of the buffer starts distinct from its neighbours and from every colour drawn here.
struct Surface {
    Surface(int w, int h, PixelFormat format = PixelFormat::Rgb565)
        : width(w), height(h), pixels(static_cast<std::size_t>((w + 2 * kGuard) * (h + 2 * kGuard))) {
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint16_t>(0x1000 | (i & 0x7FF));
        picture = pixels;
        dc = CreateSurfaceDC(&pixels[Index(0, 0)], w, h, w + 2 * kGuard, format);
    }
    ~Surface() { DestroySurfaceDC(dc); }
    std::size_t Index(int x, int y) const { return std::size_t((y + kGuard) * (width + 2 * kGuard) + x + kGuard); }
    // A pixel drawn on the surface, or 0 where nothing was drawn or (x, y) lies outside it.
    std::uint16_t Drawn(std::int64_t x, std::int64_t y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        const std::size_t i = Index(int(x), int(y));
        return pixels[i] != picture[i] ? pixels[i] : 0;
    }
    // Every changed pixel of the buffer lies on the surface.
    bool GuardIntact() const {
        int inside = 0, all = 0;
        for (int i = 0; i < width * height; ++i) inside += Drawn(i % width, i / width) != 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) all += pixels[i] != picture[i];
        return inside == all;
    }
    BOOL Text(int x, int y, int mode, COLORREF colour) {
        return SetBkMode(dc, mode), SetTextColor(dc, colour), TextOutA(dc, x, y, "W@88 Mg", 7);
    }
    int width, height;
    Pixels pixels, picture;
    HDC dc = nullptr;
};

TEST(GdiObjects, SelectionDeletionAndSurfaceDcs) {
    const int before = LiveGdiObjectCount();
    HDC first = CreateCompatibleDC(nullptr), second = CreateCompatibleDC(first);  // compatible with a DC too
    HBITMAP bitmap = MakeBitmap(3, 2, 8);
    ASSERT_TRUE(second && LiveGdiObjectCount() == before + 3);
    HGDIOBJ original = SelectObject(first, bitmap);  // the DC's initial 1x1 bitmap
    EXPECT_TRUE(original != nullptr && original != static_cast<HGDIOBJ>(bitmap));
    // That one is a device bitmap: a BITMAP however large the buffer, and never deleted. A DC is no bitmap.
    DIBSECTION ds{};
    EXPECT_TRUE(DeleteObject(original) && GetObjectA(original, sizeof ds, &ds) == sizeof(BITMAP) &&
                GetObjectA(first, sizeof ds, &ds) == 0);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);  // already selected into `first`
    EXPECT_FALSE(DeleteObject(bitmap));                // still selected: stays alive
    EXPECT_EQ(SelectObject(first, original), static_cast<HGDIOBJ>(bitmap));
    EXPECT_EQ(SelectObject(second, bitmap), original);  // free again once deselected
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);        // stock objects survive deletion
    EXPECT_TRUE(DeleteObject(black) && SelectObject(first, black) && SelectObject(first, black) == black);
    EXPECT_FALSE(SelectObject(first, nullptr) || SelectObject(first, reinterpret_cast<HGDIOBJ>(&black)));
    DestroySurfaceDC(second);                                                  // not a surface DC: ignored
    EXPECT_TRUE(DeleteDC(second) && DeleteObject(bitmap) && DeleteDC(first));  // deleting the DC frees the bitmap
    EXPECT_EQ(LiveGdiObjectCount(), before);
    // Everything is gone: a second delete or a use is refused, and a deleted DC is no reference.
    EXPECT_FALSE(DeleteDC(first) || DeleteObject(bitmap) || SelectObject(first, original) ||
                 GetObjectA(bitmap, sizeof ds, &ds) || CreateCompatibleDC(first));
    // Surface DCs: checked, and owned by their surfaces.
    std::uint16_t pixels[4 * 4] = {};
    for (const auto& [p, w, h, stride] :
         {std::tuple{+pixels, 0, 4, 4}, {pixels, 4, 0, 4}, {pixels, 4, -1, 4}, {pixels, 4, 4, 3}, {nullptr, 4, 4, 4}})
        EXPECT_EQ(CreateSurfaceDC(p, w, h, stride, PixelFormat::Rgb565), nullptr) << w << h << stride;
    HDC dc = CreateSurfaceDC(pixels, 4, 4, 4, PixelFormat::Rgb565);
    ASSERT_TRUE(dc && LiveGdiObjectCount() == before + 1);
    EXPECT_FALSE(DeleteDC(dc) || DeleteObject(dc));  // surfaces give their DCs back through ReleaseDC
    bitmap = MakeBitmap(1, 1, 8);
    EXPECT_TRUE(SelectObject(dc, bitmap) == nullptr && DeleteObject(bitmap));  // surface DCs draw into their surface
    DestroySurfaceDC(dc);
    DestroySurfaceDC(dc);  // already gone: ignored
    DestroySurfaceDC(reinterpret_cast<HDC>(pixels));
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(GdiObjects, GetObjectFillsWholeRecordsOrNothing) {
    HBITMAP bitmap = MakeBitmap(5, 3, 24);
    // Too small for a BITMAP is refused without a partial copy; a DIBSECTION once there is room for one.
    constexpr int kBm = sizeof(BITMAP), kDs = sizeof(DIBSECTION);
    const std::pair<int, int> table[] = {{0, 0},     {1, 0},    {16, 0},    {kBm - 8, 0}, {kBm - 1, 0},
                                         {kBm, kBm}, {64, kBm}, {kDs, kDs}, {256, kDs}};
    for (const auto& [bytes, expected] : table) {
        Bytes buffer(256, 0xCD);
        EXPECT_EQ(GetObjectA(bitmap, bytes, buffer.data()), expected) << bytes << " bytes";
        const auto written = std::find_if(buffer.rbegin(), buffer.rend(), [](auto b) { return b != 0xCD; });
        EXPECT_LE(buffer.rend() - written, expected) << bytes << " bytes";
    }
    DIBSECTION s{};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof s, &s) == kDs && s.dsBm.bmBits != nullptr);
    // 15 bytes a row padded to 16; the bits are stored top-down.
    EXPECT_EQ(std::tuple(s.dsBm.bmType, s.dsBm.bmWidth, s.dsBm.bmHeight, s.dsBm.bmWidthBytes, s.dsBm.bmPlanes,
                         s.dsBm.bmBitsPixel, s.dsBmih.biSize, s.dsBmih.biWidth, s.dsBmih.biHeight, s.dsBmih.biBitCount,
                         s.dsBmih.biSizeImage),
              std::tuple(0, 5, 3, 16, 1, 24, 40u, 5, -3, 24, 48u));
    EXPECT_TRUE(GetObjectA(bitmap, 0, nullptr) == kBm && !GetObjectA(bitmap, -1, &s) && !GetObjectA(nullptr, kDs, &s));
    DeleteObject(bitmap);
}

TEST(GdiText, GlyphsInExactlyTheTextColourBelowRightOfTheReferencePointClippedExactly) {
    // Format, mode, colour, the ink and background drawn (transparent: only the ink may show).
    const std::tuple<PixelFormat, int, COLORREF, std::uint16_t, std::uint16_t> cases[] = {
        {PixelFormat::Rgb565, TRANSPARENT, RGB(255, 0, 0), 0xF800, 0xF800},
        {PixelFormat::Rgb565, TRANSPARENT, RGB(0, 255, 0), 0x07E0, 0x07E0},
        {PixelFormat::Rgb555, TRANSPARENT, RGB(0, 255, 0), 0x03E0, 0x03E0},
        {PixelFormat::Rgb565, OPAQUE, RGB(255, 0, 0), 0xF800, 0xFFFF},  // the default background: white
        {PixelFormat::Rgb555, OPAQUE, RGB(0, 0, 255), 0x001F, 0x7FFF}};
    for (const auto& [format, mode, colour, inkColour, background] : cases) {
        SCOPED_TRACE(colour);
        Surface whole(200, 60, format);  // well inside
        ASSERT_TRUE(whole.Text(30, 20, mode, colour));
        int changed = 0, ink = 0, other = 0, minX = 999, minY = 999, maxX = -1, maxY = -1;
        for (int i = 0, x = 0, y = 0; i < 200 * 60; x = ++i % 200, y = i / 200)
            if (const std::uint16_t p = whole.Drawn(x, y); p != 0)
                changed++, ink += p == inkColour, other += p != inkColour && p != background,
                    maxY = y, minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x);
        EXPECT_TRUE(other == 0 && ink > 60 && whole.GuardIntact());  // no antialiasing
        // Seven characters on one line of about 16 pixels; capitals reach up near its top.
        EXPECT_TRUE(minX >= 30 && maxX > 30 + 50 && maxX < 30 + 110 && minY >= 20 && minY <= 26 && maxY < 38);
        // Inside the box GDI reports for the text; filled exactly when opaque.
        SIZE box{};
        ASSERT_TRUE(GetTextExtentPoint32A(whole.dc, "W@88 Mg", 7, &box));
        EXPECT_TRUE(maxX < 30 + box.cx && maxY < 20 + box.cy) << box.cx << "x" << box.cy;
        EXPECT_TRUE(mode != OPAQUE || (maxX + 1 == 30 + box.cx && maxY + 1 == 20 + box.cy));
        // What the surface is told was drawn holds every changed pixel and lies in that box.
        const RECT drawn = DestroySurfaceDC(std::exchange(whole.dc, nullptr));
        EXPECT_TRUE(drawn.left <= minX && drawn.top <= minY && drawn.right > maxX && drawn.bottom > maxY &&
                    drawn.left >= 30 && drawn.top >= 20 && drawn.right <= 30 + box.cx && drawn.bottom <= 20 + box.cy)
            << drawn.left << "," << drawn.top << "," << drawn.right << "," << drawn.bottom;
        // Opaque: the whole cell, from the reference point down and right.
        EXPECT_TRUE(mode != OPAQUE || (minX == 30 && minY == 20 && maxY >= 33 && changed - ink > ink &&
                                       changed == (maxX - minX + 1) * (maxY - minY + 1)));
        // Elsewhere, exactly the part of that picture that falls on the surface.
        for (const int x : {-40, -7, 50, 193, -1000000, 2000000000})
            for (const int y : {-9, 10, 56, 2000000000}) {
                Surface s(200, 60, format);
                ASSERT_TRUE(s.Text(x, y, mode, colour));
                int differing = 0;
                for (int i = 0; i < 200 * 60; ++i)
                    differing += s.Drawn(i % 200, i / 200) != whole.Drawn(i % 200 - x + 30LL, i / 200 - y + 20LL);
                EXPECT_TRUE(differing == 0 && s.GuardIntact()) << " at " << x << "," << y;
            }
    }
}

// Palette: 0 pure green (the sheets' transparent colour), 1 red, 2 mid-grey, 3 r=0x09 g=0x37 b=0xFF; the same in 5-6-5
// and 5-5-5, each component truncated to its field's width.
constexpr std::uint16_t kSheet565[4] = {0x07E0, 0xF800, 0x8410, (0x09 >> 3) << 11 | (0x37 >> 2) << 5 | 0x1F};
constexpr std::uint16_t kSheet555[4] = {0x03E0, 0x7C00, 0x4210, (0x09 >> 3) << 10 | (0x37 >> 3) << 5 | 0x1F};

// Copies `dib` into a w x h surface with StretchBlt from (sx, sy, sw, sh) to (x, y, dw, dh); returns the surface's
// pixels row by row, or nothing when the call fails or writes outside the surface.
Pixels Stretch(const TestDib& dib, int w, int h, std::array<int, 8> r, PixelFormat f = PixelFormat::Rgb565) {
    const HBITMAP bitmap = MakeBitmap(dib);
    const HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    Surface s(w, h, f);
    const BOOL ok = StretchBlt(s.dc, r[0], r[1], r[2], r[3], memory, r[4], r[5], r[6], r[7], SRCCOPY);
    DeleteDC(memory);
    DeleteObject(bitmap);
    Pixels inside;
    for (int i = 0; i < w * h; ++i) inside.push_back(s.Drawn(i % w, i / w));
    return ok && s.GuardIntact() ? inside : Pixels{};
}

TEST(GdiStretchBlt, ConvertsScalesToTheNearestPixelMirrorsAndClips) {
    // Top row: the four colours left to right (8 bits through the palette, 24 direct); bottom row: red.
    const std::vector<RGBQUAD> palette = {{0, 255, 0, 0}, {0, 0, 255, 0}, {0x80, 0x80, 0x80, 0}, {0xFF, 0x37, 0x09, 0}};
    const TestDib sheet{4, 2, 8, false, palette, {0, 1, 2, 3, 1, 1, 1, 1}},
        direct{4, 2, 24, false, {}, {0x00FF00, 0xFF0000, 0x808080, 0x0937FF, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000}};
    for (const PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const std::uint16_t* e = format == PixelFormat::Rgb565 ? kSheet565 : kSheet555;
        for (const auto* dib : {&sheet, &direct})
            EXPECT_EQ(Stretch(*dib, 4, 1, {0, 0, 4, 1, 0, 0, 4, 1}, format), Pixels(e, e + 4)) << dib->bits;
    }
    const std::uint16_t green = kSheet565[0], red = kSheet565[1], grey = kSheet565[2], blue = kSheet565[3];
    // Surface size, the request, the pixels row by row (0 where nothing was drawn).
    const std::tuple<int, int, std::array<int, 8>, Pixels> cases[] = {
        {8, 1, {0, 0, 8, 1, 0, 0, 4, 1}, {green, green, red, red, grey, grey, blue, blue}},
        {1, 4, {0, 0, 1, 4, 0, 0, 1, 2}, {green, green, red, red}},  // bottom-up rows arrive top first
        {2, 1, {0, 0, 2, 1, 0, 0, 4, 1}, {red, blue}},               // the source pixel under each centre
        {3, 1, {0, 0, 3, 1, 0, 0, 4, 1}, {green, grey, blue}},
        {4, 1, {4, 0, -4, 1, 0, 0, 4, 1}, {blue, grey, red, green}},  // a negative width mirrors
        {4, 1, {0, 0, 4, 1, 4, 0, -4, 1}, {blue, grey, red, green}},
        {4, 1, {4, 0, -4, 1, 4, 0, -4, 1}, {green, red, grey, blue}},  // both: no mirror
        {1, 2, {0, 2, 1, -2, 0, 0, 1, 2}, {red, green}},               // upside down
        {1, 2, {0, 0, 1, 2, 0, 2, 1, -2}, {red, green}},
        {3, 2, {1, 1, 4, 2, 0, 0, 4, 2}, {0, 0, 0, 0, green, red}},  // clipped by the surface
        {3, 2, {-2, -1, 4, 2, 0, 0, 4, 2}, {red, red, 0, 0, 0, 0}},
        {3, 2, {0, 0, 4, 2, -2, 1, 4, 2}, {0, 0, red, 0, 0, 0}},  // by the bitmap
        {3, 2, {0, 0, 4, 2, 2, -1, 4, 2}, {0, 0, 0, grey, blue, 0}},
        {3, 2, {-100000, 2000000000, 4, 2, 0, 0, 4, 2}, {0, 0, 0, 0, 0, 0}},
        {3, 2, {0, 0, 3, 2, 0, 0, 4, 1 << 20}, {0, 0, 0, 0, 0, 0}},  // the largest extent; no row on the bitmap
        {3, 2, {0, 0, 3, 2, 0, 0, 4, (1 << 20) + 1}, {}},            // refused: larger, of either sign, or none
        {3, 2, {0, 0, 3, 2, 0, 0, -(1 << 20) - 1, 2}, {}},
        {3, 2, {0, 0, 3, 2, 0, 0, 0, 2}, {}}};
    for (const auto& [w, h, request, expected] : cases)
        EXPECT_EQ(Stretch(sheet, w, h, request), expected)
            << w << "x" << h << " from " << request[4] << "," << request[5];
}

TEST(GdiDrawing, StateCallsAndRefusalsOfBadHandlesAndRequestsLeaveThePixels) {
    Surface s(2, 2);
    HDC memory = CreateCompatibleDC(nullptr), deleted = CreateCompatibleDC(nullptr);
    DeleteDC(deleted);
    // Each call returns the previous state; OPAQUE is the default and 7 no mode.
    EXPECT_EQ((std::vector<int>{SetBkMode(s.dc, TRANSPARENT), SetBkMode(s.dc, OPAQUE), SetBkMode(s.dc, 7)}),
              (std::vector<int>{OPAQUE, TRANSPARENT, 0}));
    EXPECT_EQ((std::vector<COLORREF>{SetTextColor(s.dc, 0x123456), SetTextColor(s.dc, 0xFF)}),
              (std::vector<COLORREF>{0, 0x123456}));
    // Stock objects, by number, replace the DC's brush (0..5, 18), pen (6..8, 19) or font and give back the one before,
    // from the defaults on; a palette (15) is not selected this way.
    const auto select = [&](int stock) { return SelectObject(memory, GetStockObject(stock)); };
    EXPECT_EQ((std::vector<HGDIOBJ>{select(2), select(18), select(6), select(19), select(11), select(15)}),
              (std::vector<HGDIOBJ>{GetStockObject(0), GetStockObject(2), GetStockObject(7), GetStockObject(6),
                                    GetStockObject(13), nullptr}));
    const HBITMAP bitmap = MakeBitmap(1, 1, 24);  // no DC either
    for (HDC bad : {HDC{}, deleted, reinterpret_cast<HDC>(bitmap)})
        EXPECT_TRUE(SetBkMode(bad, OPAQUE) == 0 && SetTextColor(bad, 0) == CLR_INVALID);
    DeleteObject(bitmap);
    for (HDC bad : {HDC{}, deleted, memory}) EXPECT_FALSE(TextOutA(bad, 0, 0, "x", 1));  // text goes into surfaces only
    EXPECT_FALSE(TextOutA(s.dc, 0, 0, nullptr, 3) || TextOutA(s.dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(s.dc, 0, 0, nullptr, 0));  // no text at all
    SIZE extent{};
    EXPECT_FALSE(GetTextExtentPoint32A(s.dc, "abc", -1, &extent) || GetTextExtentPoint32A(s.dc, "abc", 3, nullptr) ||
                 GetTextExtentPoint32A(s.dc, nullptr, 2, &extent));
    constexpr DWORD SRCPAINT = 0x00EE0086;
    const std::tuple<HDC, HDC, int, int, DWORD> blits[] = {
        {nullptr, memory, 2, 2, SRCCOPY}, {s.dc, nullptr, 2, 2, SRCCOPY}, {memory, memory, 2, 2, SRCCOPY},
        {s.dc, s.dc, 2, 2, SRCCOPY},      {s.dc, deleted, 2, 2, SRCCOPY}, {s.dc, memory, 0, 2, SRCCOPY},
        {s.dc, memory, 2, 0, SRCCOPY},    {s.dc, memory, 2, 2, SRCPAINT}};
    for (const auto& [dest, src, w, h, rop] : blits)
        EXPECT_FALSE(StretchBlt(dest, 0, 0, w, h, src, 0, 0, 2, 2, rop)) << dest << " " << src << " " << w << h << rop;
    DeleteDC(memory);
    EXPECT_EQ(s.pixels, s.picture);
}

TEST(ResourceLoadImage, DecodesAddedAndEmbeddedBitmapsAndRefusesWhatItCannot) {
    const auto Load = [](LPCSTR name, int w = 0, int h = 0) {
        return static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, w, h, LR_CREATEDIBSECTION));
    };
    const Bytes good =
        TestDib{6, 4, 8, false, {{0, 255, 0, 0}, {0, 0, 255, 0}}, std::vector<std::uint32_t>(24, 1)}.Packed();
    using platform::resources::AddForTesting;
    AddForTesting(RT_BITMAP, 7101, good);
    AddForTesting(RT_BITMAP, 7103, Bytes(good.begin(), good.end() - 4));  // pixels cut short
    AddForTesting(RT_BITMAP, 7104, {'B', 'M', 0, 0});                     // a file header is not a DIB
    const int before = LiveGdiObjectCount();
    for (LPCSTR name : {"#7103", "#7104", "#7199", "nothing"}) EXPECT_EQ(Load(name), nullptr) << name;
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), "#7101", 1, 0, 0, 0), nullptr);  // an icon, not a bitmap
    EXPECT_EQ(LoadImageA(reinterpret_cast<HINSTANCE>(0x99), "#7101", IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_FALSE(Load("#7101", 6, 5) || Load("#7101", 7, 4));  // no scaling
    platform::resources::FailLockResource(1);
    EXPECT_TRUE(Load("#7101") == nullptr && LiveGdiObjectCount() == before);
    HBITMAP bitmap = Load("#7101", 6, 4);  // its own size is no scaling
    ASSERT_TRUE(bitmap && LiveGdiObjectCount() == before + 1);
    BITMAP d{};  // its description; the pixels it holds are the decoder's
    EXPECT_TRUE(GetObjectA(bitmap, sizeof d, &d) && d.bmWidth == 6 && d.bmHeight == 4 && d.bmBitsPixel == 8);
    EXPECT_TRUE(DeleteObject(bitmap) && LiveGdiObjectCount() == before);
    for (int id : {7101, 7103, 7104}) platform::resources::RemoveForTesting(RT_BITMAP, id);
}

}  // namespace
