// The scene's pictures: palettes from resources and files, copies into surfaces, and their return after a loss.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "gdi/gdi_control.h"
#include "tests/program/display_fixture.h"

namespace {

// Palette entries as 0xFFBBGGRR, the flags in the top byte.
using Entries = std::vector<std::uint32_t>;

std::uint32_t Entry(int red, int green, int blue, int flags = 0) {
    return std::uint32_t(flags & 0xFF) << 24 | (blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF);
}
// The default palette: the index read as rrrgggbb.
std::uint32_t DefaultEntry(int i) { return Entry((i >> 5) * 255 / 7, ((i >> 2) & 7) * 255 / 7, (i & 3) * 255 / 3); }

class PicturesTest : public DisplayFixture {
protected:
    Entries PaletteOf(const char* name) {
        Entries entries;
        IDirectDrawPalette* palette = display_->LoadPaletteFromBitmap(name);
        if (palette == nullptr) return entries;  // empty: never the expected palette
        for (const PALETTEENTRY& e : platform::ddraw::PaletteEntries(palette))
            entries.push_back(Entry(e.peRed, e.peGreen, e.peBlue, e.peFlags));
        palette->Release();
        return entries;
    }
};

// Without a colour table (the background, no name, a resource that cannot be locked) the palette is the default one.
TEST_F(PicturesTest, PalettesWithoutATableAreTheDefaultOne) {
    Entries expected(256);
    for (int i = 0; i < 256; ++i) expected[i] = DefaultEntry(i);
    EXPECT_EQ((Entries{expected[0x00], expected[0x1C], expected[0x5A], expected[0xE0], expected[0xFF]}),
              (Entries{Entry(0, 0, 0), Entry(0, 255, 0), Entry(72, 218, 170), Entry(255, 0, 0), Entry(255, 255, 255)}));
    EXPECT_EQ(PaletteOf("#102"), expected);
    EXPECT_EQ(PaletteOf(nullptr), expected);
    platform::resources::FailLockResource(1);
    EXPECT_EQ(PaletteOf("#103"), expected);
}

// A DIB with quads (k, 100 + k, 200 - k, 0x55) in blue-green-red order: a resource's counted colours replace the first
// entries as far as 256 and its bytes reach; a file's table is read as it stands, only the counted quads turned to
// red-green-blue. A count with its top bit set counts nothing.
TEST_F(PicturesTest, PalettesTakeTheirCountedColours) {
    // Resources: 8-bit, 16 used; 4-bit, all; longer header; 24-bit; too many colours; a count past the resource (into
    // the pixels); a header past it; a count with its top bit set. Files: 8-bit, 16 used; 8-bit, all; 24-bit; longer
    // header (no count); huge count; top bit set; a cut header.
    const struct {
        bool file;
        DWORD headerSize, bits, used;
        int table, counted;
        std::size_t cutTo;  // the file's length, 0: whole
    } rows[] = {
        {false, 40, 8, 16, 16, 16, 0},     {false, 40, 4, 0, 16, 16, 0},          {false, 124, 8, 5, 5, 5, 0},
        {false, 40, 24, 0, 0, 0, 0},       {false, 40, 8, 100000, 256, 256, 0},   {false, 40, 8, 200, 10, 14, 0},
        {false, 4000, 8, 16, 0, 0, 0},     {false, 40, 8, 0x80000010, 256, 0, 0}, {true, 40, 8, 16, 256, 16, 0},
        {true, 40, 8, 0, 256, 256, 0},     {true, 40, 24, 0, 256, 0, 0},          {true, 108, 8, 0, 256, 0, 0},
        {true, 40, 8, 70000, 256, 256, 0}, {true, 40, 8, 0xFFFFFFFF, 256, 0, 0},  {true, 40, 8, 16, 256, 0, 18}};
    const std::string path = std::filesystem::temp_directory_path() / ("vh-palette-" + std::to_string(getpid()));
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        const DWORD room = row.file ? 40 : std::min<DWORD>(row.headerSize, 124);  // larger runs past the resource
        std::vector<unsigned char> bytes(room + row.table * 4 + 16, 0);
        const BITMAPINFOHEADER header{row.headerSize, 4, 2, 1, WORD(row.bits), BI_RGB, 0, 0, 0, row.used, 0};
        std::memcpy(bytes.data(), &header, sizeof header);
        for (int k = 0; k < row.table; ++k) {
            const RGBQUAD quad{BYTE(k), BYTE(100 + k), BYTE(200 - k), 0x55};
            std::memcpy(bytes.data() + room + 4 * k, &quad, 4);
        }
        Entries expected(256);
        for (int k = 0; k < 256; ++k) {
            const int n = row.counted;
            expected[k] = !row.file   ? (k >= n          ? DefaultEntry(k)
                                         : k < row.table ? Entry(200 - k, 100 + k, k)
                                                         : 0)
                          : row.cutTo ? DefaultEntry(k)
                          : k < n     ? Entry(200 - k, 100 + k, k, 0x55)
                                      : Entry(k, 100 + k, 200 - k, 0x55);
        }
        if (row.file) {
            bytes.insert(bytes.begin(), {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0});
            bytes.resize(row.cutTo != 0 ? row.cutTo : bytes.size());
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            EXPECT_EQ(PaletteOf(path.c_str()), expected);
        } else {
            platform::resources::AddForTesting(RT_BITMAP, 201, bytes);
            EXPECT_EQ(PaletteOf("#201"), expected);
            platform::resources::RemoveForTesting(RT_BITMAP, 201);
        }
    }
    std::filesystem::remove(path);
}

// The sheets' corners are the key; after a loss only the reload brings the pictures back over restored memory's
// pattern.
TEST_F(PicturesTest, TheLoadedPicturesAndTheirReturnAfterALoss) {
    std::vector<std::vector<std::uint16_t>> before;
    for (SurfaceSlot slot : {Background, GnollSheet, BackgroundStrip, FireballSheet}) before.push_back(Pixels(slot));
    for (const auto& sheet : {before[1], before[3]}) {
        EXPECT_EQ(sheet[0], display_->colorKeyLow) << "the sheets' corners are transparent";
        EXPECT_LT(std::count(sheet.begin(), sheet.end(), sheet[0]), long(sheet.size())) << "a drawing on the sheet";
    }
    platform::ddraw::MarkAllSurfacesLost();
    ASSERT_EQ(display_->RestoreAllSurfaces(), 1);
    EXPECT_EQ(before,
              (std::vector{Pixels(Background), Pixels(GnollSheet), Pixels(BackgroundStrip), Pixels(FireballSheet)}));
}

// A copy stretches the bitmap over the whole surface; without a memory context, surface or bitmap it fails.
TEST_F(PicturesTest, CopyingABitmapIntoASurface) {
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), "#105", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    IDirectDrawSurface* fx = display_->surfaces[FxSurface];
    platform::gdi::FailGdiCall(platform::gdi::GdiCall::CreateCompatibleDC, 1);
    EXPECT_EQ(display_->CopyBitmapToSurface(fx, bitmap, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(display_->CopyBitmapToSurface(nullptr, bitmap, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(display_->CopyBitmapToSurface(fx, nullptr, 0, 0, 0, 0), E_FAIL);
    // The 384x64 fireball sheet over the 128x128 scratch surface: nearest neighbour, both ways.
    ASSERT_EQ(display_->FillSurface(FxSurface, 0x00FFFFFF), 1);
    EXPECT_EQ(display_->CopyBitmapToSurface(fx, bitmap, 0, 0, 0, 0), DD_OK);
    DeleteObject(bitmap);
    const std::vector<std::uint16_t> copy = Pixels(FxSurface), sheet = Pixels(FireballSheet);
    EXPECT_EQ(std::count(copy.begin(), copy.end(), 0xFFFF), 0) << "every pixel written";
    // Each pixel comes from the source pixels it covers: rows y/2, columns 3x..3x+2.
    for (int i = 0; i < 128 * 128; i += 97) {
        const auto* covered = &sheet[(i / 128 / 2) * 384 + i % 128 * 3];
        EXPECT_NE(std::find(covered, covered + 3, copy[i]), covered + 3) << i % 128 << "," << i / 128;
    }
}

}  // namespace
