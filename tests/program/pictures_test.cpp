// The scene's pictures: palettes from resources and files, the copies into the surfaces and the
// cached strip, and their return after a loss.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "gdi/gdi_control.h"
#include "kernel/kernel_control.h"
#include "tests/program/display_fixture.h"

namespace {

using Entries = std::vector<PALETTEENTRY>;

class PicturesTest : public StartedDisplay {
protected:
    void TearDown() override {
        if (!path_.empty()) std::filesystem::remove(path_);
        StartedDisplay::TearDown();
    }
    Entries PaletteOf(const char* name) {
        IDirectDrawPalette* palette = display_->LoadPaletteFromBitmap(name);
        EXPECT_NE(palette, nullptr);
        if (palette == nullptr) return {};
        Entries entries = platform::ddraw::PaletteEntries(palette);
        palette->Release();
        return entries;
    }
    std::string WriteFile(const std::vector<unsigned char>& bytes) {
        path_ = std::filesystem::temp_directory_path() /
                ("vh-palette-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bmp");
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path_.string();
    }
    static PALETTEENTRY DefaultEntry(int i) {
        return {BYTE((i >> 5) * 255 / 7), BYTE(((i >> 2) & 7) * 255 / 7), BYTE((i & 3) * 255 / 3), 0};
    }
    static bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    std::filesystem::path path_;
};

// A DIB as a resource holds it: header (of `headerSize` bytes), colour table of quads (k, 100 + k,
// 200 - k, 0x55) in blue-green-red order, pixels.
std::vector<unsigned char> MakeDib(DWORD headerSize, WORD bitCount, DWORD colorsUsed, int tableEntries) {
    std::vector<unsigned char> bytes(headerSize + tableEntries * 4 + 16, 0);
    BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = 4;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = BI_RGB;
    header.biClrUsed = colorsUsed;
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int k = 0; k < tableEntries; ++k) {
        const RGBQUAD quad{BYTE(k), BYTE(100 + k), BYTE(200 - k), 0x55};
        std::memcpy(bytes.data() + headerSize + 4 * k, &quad, 4);
    }
    return bytes;
}

// The background has no colour table: its palette is the default one, read as rrrgggbb; so is
// the palette of no name at all and of a resource that cannot be locked.
TEST_F(PicturesTest, PalettesWithoutATableAreTheDefaultOne) {
    const struct {
        int index;
        PALETTEENTRY entry;
    } worked[] = {{0x00, {0, 0, 0, 0}},
                  {0x1C, {0, 255, 0, 0}},
                  {0x5A, {72, 218, 170, 0}},
                  {0xE0, {255, 0, 0, 0}},
                  {0xFF, {255, 255, 255, 0}}};
    for (const char* name : {"#102", static_cast<const char*>(nullptr), "#103"}) {
        SCOPED_TRACE(name != nullptr ? name : "no name");
        if (name != nullptr && std::string(name) == "#103") platform::resources::FailLockResource(1);
        const Entries entries = PaletteOf(name);
        ASSERT_EQ(entries.size(), 256u);
        for (const auto& w : worked) EXPECT_TRUE(Same(entries[w.index], w.entry)) << w.index;
        for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(entries[i], DefaultEntry(i))) << i;
    }
}

TEST_F(PicturesTest, ResourcePalettesTakeTheirCountedColoursOnly) {
    const struct {
        const char* name;
        DWORD headerSize;
        WORD bits;
        DWORD used;
        int table, replaced;
    } rows[] = {
        {"8-bit, 16 colours used", 40, 8, 16, 16, 16},
        {"4-bit, all colours", 40, 4, 0, 16, 16},
        {"longer header", 124, 8, 5, 5, 5},
        {"24-bit has no table", 40, 24, 0, 0, 0},
        {"more colours than the table holds", 40, 8, 100000, 256, 256},
        {"a count running past the resource", 40, 8, 200, 10, 14},
        {"a header size past the resource", 4000, 8, 16, 0, 0},
        {"a count with its top bit set is negative", 40, 8, 0x80000010, 256, 0},
    };
    int id = 200;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<unsigned char> dib = MakeDib(std::min<DWORD>(row.headerSize, 124), row.bits, row.used, row.table);
        if (row.headerSize > 124) std::memcpy(dib.data(), &row.headerSize, sizeof row.headerSize);
        platform::resources::AddForTesting(RT_BITMAP, ++id, dib);
        const Entries entries = PaletteOf(("#" + std::to_string(id)).c_str());
        ASSERT_EQ(entries.size(), 256u);
        for (int k = 0; k < 256; ++k) {
            if (k < row.replaced && k < row.table) {
                EXPECT_TRUE(Same(entries[k], PALETTEENTRY{BYTE(200 - k), BYTE(100 + k), BYTE(k), 0})) << k;
            } else if (k >= row.replaced) {
                EXPECT_TRUE(Same(entries[k], DefaultEntry(k))) << k;
            }
        }
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
    } rows[] = {
        {"8-bit, 16 used", 40, 8, 16, 16, 0},
        {"8-bit, all", 40, 8, 0, 256, 0},
        {"24-bit", 40, 24, 0, 0, 0},
        {"longer header gives no count", 108, 8, 0, 0, 0},
        {"huge count is limited to the table", 40, 8, 70000, 256, 0},
        {"a count with its top bit set is negative", 40, 8, 0xFFFFFFFF, 0, 0},
        {"the header ends early", 40, 8, 16, 0, 18},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<unsigned char> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
        const auto dib = MakeDib(40, row.bits, row.used, 256);
        file.insert(file.end(), dib.begin(), dib.end());
        std::memcpy(file.data() + 14, &row.headerSize, sizeof row.headerSize);
        if (row.cutTo != 0) file.resize(row.cutTo);
        const Entries entries = PaletteOf(WriteFile(file).c_str());
        ASSERT_EQ(entries.size(), 256u);
        for (int k = 0; k < 256; ++k) {
            const PALETTEENTRY asRead{BYTE(k), BYTE(100 + k), BYTE(200 - k), 0x55};
            const PALETTEENTRY swapped{BYTE(200 - k), BYTE(100 + k), BYTE(k), 0x55};
            const PALETTEENTRY want = row.cutTo ? DefaultEntry(k) : k < row.swapped ? swapped : asRead;
            EXPECT_TRUE(Same(entries[k], want)) << k;
        }
    }
    // pal8.bmp from the corpus: its counted colours come out in red-green-blue order.
    const auto pal8 = std::filesystem::path(VH_TESTDATA_DIR) / "bmpsuite" / "g" / "pal8.bmp";
    std::ifstream in(pal8, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 54u + 1024u);
    const Entries entries = PaletteOf(pal8.c_str());
    DWORD used;
    std::memcpy(&used, bytes.data() + 14 + 32, 4);
    for (int k = 0; k < (used != 0 ? int(used) : 256); ++k) {
        const unsigned char* quad = &bytes[54 + 4 * k];
        EXPECT_EQ(std::vector<int>({entries[k].peRed, entries[k].peGreen, entries[k].peBlue}),
                  std::vector<int>({quad[2], quad[1], quad[0]}))
            << k;
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
