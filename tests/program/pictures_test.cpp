// The scene's pictures: palettes from resources and files, the copies into the surfaces and the
// cached strip, and their return after a loss.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include "gdi/gdi_control.h"
#include "kernel/kernel_control.h"
#include "tests/program/display_fixture.h"

namespace {

// Palette entries as 0xFFBBGGRR, the flags in the top byte.
using Entries = std::vector<std::uint32_t>;

std::uint32_t Entry(int red, int green, int blue, int flags = 0) {
    return std::uint32_t(flags & 0xFF) << 24 | (blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF);
}
// The default palette: the index read as rrrgggbb.
std::uint32_t DefaultEntry(int i) { return Entry((i >> 5) * 255 / 7, ((i >> 2) & 7) * 255 / 7, (i & 3) * 255 / 3); }

class PicturesTest : public StartedDisplay {
protected:
    void TearDown() override {
        if (!path_.empty()) std::filesystem::remove(path_);
        StartedDisplay::TearDown();
    }
    Entries PaletteOf(const std::string* name) {
        IDirectDrawPalette* palette = display_->LoadPaletteFromBitmap(name != nullptr ? name->c_str() : nullptr);
        EXPECT_NE(palette, nullptr);
        if (palette == nullptr) return {};
        Entries entries;
        for (const PALETTEENTRY& e : platform::ddraw::PaletteEntries(palette))
            entries.push_back(Entry(e.peRed, e.peGreen, e.peBlue, e.peFlags));
        palette->Release();
        return entries;
    }
    Entries PaletteOf(const std::string& name) { return PaletteOf(&name); }
    std::filesystem::path path_;
};

// A DIB as a resource holds it: header (of `headerSize` bytes), colour table of quads (k, 100 + k,
// 200 - k, 0x55) in blue-green-red order, 16 bytes of zero pixels.
std::vector<unsigned char> MakeDib(DWORD headerSize, WORD bitCount, DWORD colorsUsed, int tableEntries) {
    const DWORD room = std::min<DWORD>(headerSize, 124);  // a larger size runs past the resource
    std::vector<unsigned char> bytes(room + tableEntries * 4 + 16, 0);
    const BITMAPINFOHEADER header{headerSize, 4, 2, 1, bitCount, BI_RGB, 0, 0, 0, colorsUsed, 0};
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int k = 0; k < tableEntries; ++k) {
        const RGBQUAD quad{BYTE(k), BYTE(100 + k), BYTE(200 - k), 0x55};
        std::memcpy(bytes.data() + room + 4 * k, &quad, 4);
    }
    return bytes;
}

// The background has no colour table: its palette is the default one; so is the palette of no
// name at all and of a resource that cannot be locked.
TEST_F(PicturesTest, PalettesWithoutATableAreTheDefaultOne) {
    Entries expected(256);
    for (int i = 0; i < 256; ++i) expected[i] = DefaultEntry(i);
    for (const auto& [index, entry] : {std::pair{0x00, Entry(0, 0, 0)},
                                       {0x1C, Entry(0, 255, 0)},
                                       {0x5A, Entry(72, 218, 170)},
                                       {0xE0, Entry(255, 0, 0)},
                                       {0xFF, Entry(255, 255, 255)}}) {
        EXPECT_EQ(expected[index], entry) << index;
    }
    EXPECT_EQ(PaletteOf("#102"), expected);
    EXPECT_EQ(PaletteOf(nullptr), expected);
    platform::resources::FailLockResource(1);
    EXPECT_EQ(PaletteOf("#103"), expected);
}

// A resource's counted colours replace the first entries, as far as the table's 256 entries and
// the resource's own bytes reach; a count with its top bit set is negative and replaces none.
TEST_F(PicturesTest, ResourcePalettesTakeTheirCountedColoursOnly) {
    const struct {
        const char* name;
        DWORD headerSize;
        WORD bits;
        DWORD used;
        int table, replaced;
    } rows[] = {{"8-bit, 16 colours used", 40, 8, 16, 16, 16},
                {"4-bit, all colours", 40, 4, 0, 16, 16},
                {"longer header", 124, 8, 5, 5, 5},
                {"24-bit has no table", 40, 24, 0, 0, 0},
                {"more colours than the table holds", 40, 8, 100000, 256, 256},
                {"a count running past the resource (into the pixels)", 40, 8, 200, 10, 14},
                {"a header size past the resource", 4000, 8, 16, 0, 0},
                {"a count with its top bit set is negative", 40, 8, 0x80000010, 256, 0}};
    int id = 200;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::resources::AddForTesting(RT_BITMAP, ++id, MakeDib(row.headerSize, row.bits, row.used, row.table));
        Entries expected(256);
        for (int k = 0; k < 256; ++k) {
            expected[k] = k >= row.replaced ? DefaultEntry(k) : k < row.table ? Entry(200 - k, 100 + k, k) : 0;
        }
        EXPECT_EQ(PaletteOf(std::string("#").append(std::to_string(id))), expected);
        platform::resources::RemoveForTesting(RT_BITMAP, id);
    }
}

// A file's table is read straight after a forty-byte header as it stands; only the counted quads
// are turned into red-green-blue order. A file ending inside its header keeps every default entry.
TEST_F(PicturesTest, FilePalettesReadTheTableAfterAFortyByteHeader) {
    const struct {
        const char* name;
        DWORD headerSize;
        WORD bits;
        DWORD used;
        int swapped;        // entries turned from BGR into RGB
        std::size_t cutTo;  // the file's length, 0: whole
    } rows[] = {{"8-bit, 16 used", 40, 8, 16, 16, 0},
                {"8-bit, all", 40, 8, 0, 256, 0},
                {"24-bit", 40, 24, 0, 0, 0},
                {"longer header gives no count", 108, 8, 0, 0, 0},
                {"huge count is limited to the table", 40, 8, 70000, 256, 0},
                {"a count with its top bit set is negative", 40, 8, 0xFFFFFFFF, 0, 0},
                {"the header ends early", 40, 8, 16, 0, 18}};
    path_ = std::filesystem::temp_directory_path() / ("vh-palette-" + std::to_string(getpid()) + ".bmp");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<unsigned char> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
        const auto dib = MakeDib(40, row.bits, row.used, 256);
        file.insert(file.end(), dib.begin(), dib.end());
        std::memcpy(file.data() + 14, &row.headerSize, sizeof row.headerSize);
        file.resize(row.cutTo != 0 ? row.cutTo : file.size());
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
        Entries expected(256);
        for (int k = 0; k < 256; ++k) {
            expected[k] = row.cutTo         ? DefaultEntry(k)
                          : k < row.swapped ? Entry(200 - k, 100 + k, k, 0x55)
                                            : Entry(k, 100 + k, 200 - k, 0x55);
        }
        EXPECT_EQ(PaletteOf(path_.string()), expected);
    }
}

// The strip is the background's walking band; the sheets keep their transparent green as the key
// value around a drawing; the background is a picture, not one colour.
TEST_F(PicturesTest, TheLoadedPictures) {
    const std::vector<std::uint16_t> background = Pixels(Background), strip = Pixels(BackgroundStrip);
    ASSERT_EQ(strip.size(), 640u * 128u);
    EXPECT_TRUE(std::equal(strip.begin(), strip.end(), background.begin() + 347 * 640));
    EXPECT_GT(std::set<std::uint16_t>(background.begin(), background.end()).size(), 100u);
    for (SurfaceSlot slot : {GnollSheet, FireballSheet}) {
        const std::vector<std::uint16_t> pixels = Pixels(slot);
        EXPECT_EQ(pixels[0], display_->colorKeyLow) << "the sheets' corners are transparent";
        const auto keyed = std::count(pixels.begin(), pixels.end(), display_->colorKeyLow);
        EXPECT_LT(keyed, static_cast<long>(pixels.size())) << "something is drawn on the sheet";
    }
}

TEST_F(PicturesTest, ALossRestoresEveryPictureAsItWas) {
    const SurfaceSlot pictures[] = {Background, GnollSheet, BackgroundStrip, FireballSheet};
    std::vector<std::vector<std::uint16_t>> before;
    for (SurfaceSlot slot : pictures) before.push_back(Pixels(slot));
    platform::ddraw::MarkAllSurfacesLost();
    // Restored memory is filled with a loud pattern; only the reload brings the pictures back.
    ASSERT_EQ(display_->RestoreAllSurfaces(), 1);
    for (std::size_t i = 0; i < std::size(pictures); ++i) EXPECT_EQ(Pixels(pictures[i]), before[i]) << pictures[i];
}

// A copy stretches the bitmap over the whole surface; without a memory context, a surface or a
// bitmap it reports failure.
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
    for (int y = 0; y < 128; y += 17) {
        for (int x = 0; x < 128; x += 13) {
            const auto* covered = &sheet[(y / 2) * 384 + x * 3];
            EXPECT_NE(std::find(covered, covered + 3, copy[y * 128 + x]), covered + 3) << x << "," << y;
        }
    }
}

TEST_F(PicturesTest, ACreatureSheetPaletteFailureLeavesThePicturesAlone) {
    const std::vector<std::uint16_t> before = Pixels(Background);
    ASSERT_EQ(display_->FillSurface(Background, 0x00FFFFFF), 1);
    InjectFault("CreatePalette", 2, DDERR_GENERIC);
    EXPECT_EQ(display_->LoadSceneBitmaps(), 0);
    const std::vector<std::uint16_t> after = Pixels(Background);
    EXPECT_EQ(std::count(after.begin(), after.end(), 0xFFFF), 640 * 480) << "no picture was loaded";
    // A failure of the background's own palette changes nothing in the outcome.
    platform::ddraw::ClearFaults();
    InjectFault("CreatePalette", 1, DDERR_GENERIC);
    EXPECT_EQ(display_->LoadSceneBitmaps(), 1);
    EXPECT_EQ(Pixels(Background), before);
}

}  // namespace
