// The scene's pictures: palettes from resources and files, the copies into the surfaces and the
// cached strip, and their return after a loss.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "ddraw/ddraw_control.h"
#include "gdi/gdi_control.h"
#include "kernel/kernel_control.h"

#include "tests/program/display_fixture.h"

namespace {

using Entries = std::vector<PALETTEENTRY>;

class PicturesTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
    }
    Entries PaletteOf(const char* name) {
        IDirectDrawPalette* palette = display_->LoadPaletteFromBitmap(name);
        EXPECT_NE(palette, nullptr);
        if (palette == nullptr) return {};
        Entries entries = platform::ddraw::PaletteEntries(palette);
        palette->Release();
        return entries;
    }
    static PALETTEENTRY DefaultEntry(int i) {
        return {static_cast<BYTE>((i >> 5) * 255 / 7), static_cast<BYTE>(((i >> 2) & 7) * 255 / 7),
                static_cast<BYTE>((i & 3) * 255 / 3), 0};
    }
    static bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b) {
        return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
    }
};

// A DIB as a resource holds it: header (of `headerSize` bytes), colour table, pixels.
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
        const RGBQUAD quad{static_cast<BYTE>(k), static_cast<BYTE>(100 + k), static_cast<BYTE>(200 - k), 0x55};
        std::memcpy(bytes.data() + headerSize + 4 * k, &quad, 4);
    }
    return bytes;
}

TEST_F(PicturesTest, TheBackgroundsPaletteIsTheDefaultOne) {
    const Entries entries = PaletteOf("#102");
    ASSERT_EQ(entries.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(entries[i], DefaultEntry(i))) << i;
    const struct {
        int index;
        PALETTEENTRY entry;
    } worked[] = {{0x00, {0, 0, 0, 0}},
                  {0x1C, {0, 255, 0, 0}},
                  {0x5A, {72, 218, 170, 0}},
                  {0xE0, {255, 0, 0, 0}},
                  {0xFF, {255, 255, 255, 0}}};
    for (const auto& w : worked) EXPECT_TRUE(Same(entries[w.index], w.entry)) << w.index;
    // No name at all gives the default palette too.
    const Entries none = PaletteOf(nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(none[i], DefaultEntry(i))) << i;
}

TEST_F(PicturesTest, TheCreatureSheetsPaletteStartsWithPureGreen) {
    const Entries entries = PaletteOf("#103");
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_TRUE(Same(entries[0], PALETTEENTRY{0, 255, 0, 0}));
    for (int i = 1; i < 256; ++i) {
        const bool keyIn565 =
            entries[i].peRed >> 3 == 0 && entries[i].peBlue >> 3 == 0 && entries[i].peGreen >> 2 == 63;
        const bool keyIn555 =
            entries[i].peRed >> 3 == 0 && entries[i].peBlue >> 3 == 0 && entries[i].peGreen >> 3 == 31;
        EXPECT_FALSE(keyIn565 || keyIn555) << "entry " << i << " would turn into the colour key";
    }
}

TEST_F(PicturesTest, ResourcePalettesTakeTheirCountedColoursOnly) {
    const struct {
        const char* name;
        int id;
        DWORD headerSize;
        WORD bits;
        DWORD used;
        int table;
        int replaced;
    } rows[] = {
        {"8-bit, 16 colours used", 201, 40, 8, 16, 16, 16},
        {"4-bit, all colours", 202, 40, 4, 0, 16, 16},
        {"longer header", 203, 124, 8, 5, 5, 5},
        {"24-bit has no table", 204, 40, 24, 0, 0, 0},
        {"more colours than the table holds", 205, 40, 8, 100000, 256, 256},
        {"a count running past the resource", 206, 40, 8, 200, 10, 14},
        {"a header size past the resource", 207, 4000, 8, 16, 0, 0},
        {"a count with its top bit set is negative", 208, 40, 8, 0x80000010, 256, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<unsigned char> dib;
        if (row.headerSize > 1000) {
            dib = MakeDib(40, row.bits, row.used, 16);
            std::memcpy(dib.data(), &row.headerSize, sizeof row.headerSize);
        } else {
            dib = MakeDib(row.headerSize, row.bits, row.used, row.table);
        }
        platform::resources::AddForTesting(RT_BITMAP, row.id, dib);
        std::string name = "#";
        name += std::to_string(row.id);
        const Entries entries = PaletteOf(name.c_str());
        ASSERT_EQ(entries.size(), 256u);
        for (int k = 0; k < 256; ++k) {
            if (k < row.replaced && k < row.table) {
                EXPECT_TRUE(Same(entries[k], PALETTEENTRY{static_cast<BYTE>(200 - k), static_cast<BYTE>(100 + k),
                                                          static_cast<BYTE>(k), 0}))
                    << k;
            } else if (k >= row.replaced) {
                EXPECT_TRUE(Same(entries[k], DefaultEntry(k))) << k;
            }
        }
        platform::resources::RemoveForTesting(RT_BITMAP, row.id);
    }
}

TEST_F(PicturesTest, AResourceThatCannotBeLockedGivesTheDefaultPalette) {
    platform::resources::FailLockResource(1);
    const Entries entries = PaletteOf("#103");
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(entries[i], DefaultEntry(i))) << i;
}

class FilePalette : public PicturesTest {
protected:
    std::string WriteFile(const std::vector<unsigned char>& bytes) {
        path_ = std::filesystem::temp_directory_path() /
                ("vh-palette-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bmp");
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path_.string();
    }
    void TearDown() override {
        std::filesystem::remove(path_);
        PicturesTest::TearDown();
    }
    std::filesystem::path path_;
};

TEST_F(FilePalette, ReadsTheTableStraightAfterAFortyByteHeader) {
    const struct {
        const char* name;
        DWORD headerSize;
        WORD bits;
        DWORD used;
        int swapped;  // entries turned from BGR into RGB
    } rows[] = {
        {"8-bit, 16 used", 40, 8, 16, 16},
        {"8-bit, all", 40, 8, 0, 256},
        {"24-bit", 40, 24, 0, 0},
        {"longer header gives no count", 108, 8, 0, 0},
        {"huge count is limited to the table", 40, 8, 70000, 256},
        {"a count with its top bit set is negative", 40, 8, 0xFFFFFFFF, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<unsigned char> file(14, 0);
        file[0] = 'B';
        file[1] = 'M';
        const auto dib = MakeDib(40, row.bits, row.used, 256);
        file.insert(file.end(), dib.begin(), dib.end());
        std::memcpy(file.data() + 14, &row.headerSize, sizeof row.headerSize);
        const Entries entries = PaletteOf(WriteFile(file).c_str());
        ASSERT_EQ(entries.size(), 256u);
        for (int k = 0; k < 256; ++k) {
            // The file's quads are read as they stand; only the counted ones are reordered.
            const PALETTEENTRY asRead{static_cast<BYTE>(k), static_cast<BYTE>(100 + k), static_cast<BYTE>(200 - k),
                                      0x55};
            const PALETTEENTRY swapped{static_cast<BYTE>(200 - k), static_cast<BYTE>(100 + k), static_cast<BYTE>(k),
                                       0x55};
            EXPECT_TRUE(Same(entries[k], k < row.swapped ? swapped : asRead)) << k;
        }
    }
}

TEST_F(FilePalette, ShortFilesKeepTheDefaultsWhereTheyEnd) {
    // A header that ends early leaves no count; the table keeps every default entry.
    std::vector<unsigned char> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
    const Entries entries = PaletteOf(WriteFile(file).c_str());
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(entries[i], DefaultEntry(i))) << i;
}

TEST_F(FilePalette, ACorpusFileComesOutInRedGreenBlueOrder) {
    const std::filesystem::path corpus = std::filesystem::path(VH_TESTDATA_DIR) / "bmpsuite";
    // pal8.bmp: its counted colours come out in red-green-blue order, as its own table says.
    const auto pal8 = corpus / "g" / "pal8.bmp";
    std::ifstream in(pal8, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 54u + 1024u);
    const Entries entries = PaletteOf(pal8.c_str());
    DWORD used;
    std::memcpy(&used, bytes.data() + 14 + 32, 4);
    const int count = used != 0 ? static_cast<int>(used) : 256;
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(entries[k].peRed, bytes[54 + 4 * k + 2]);
        EXPECT_EQ(entries[k].peGreen, bytes[54 + 4 * k + 1]);
        EXPECT_EQ(entries[k].peBlue, bytes[54 + 4 * k]);
    }
}

TEST_F(PicturesTest, TheStripIsTheBackgroundsWalkingBand) {
    const std::vector<std::uint16_t> background = Pixels(display_->surfaces[Background]);
    const std::vector<std::uint16_t> strip = Pixels(display_->surfaces[BackgroundStrip]);
    ASSERT_EQ(strip.size(), 640u * 128u);
    EXPECT_TRUE(std::equal(strip.begin(), strip.end(), background.begin() + 347 * 640));
}

TEST_F(PicturesTest, SheetsKeepTheirTransparentGreenAsTheKeyValue) {
    for (SurfaceSlot slot : {GnollSheet, FireballSheet}) {
        const std::vector<std::uint16_t> pixels = Pixels(display_->surfaces[slot]);
        EXPECT_EQ(pixels[0], display_->colorKeyLow) << "the sheets' corners are transparent";
        const auto keyed = std::count(pixels.begin(), pixels.end(), display_->colorKeyLow);
        EXPECT_GT(keyed, 0);
        EXPECT_LT(keyed, static_cast<long>(pixels.size())) << "something is drawn on the sheet";
    }
    // The background is a picture, not one colour.
    const std::vector<std::uint16_t> background = Pixels(display_->surfaces[Background]);
    EXPECT_GT(std::set<std::uint16_t>(background.begin(), background.end()).size(), 100u);
}

TEST_F(PicturesTest, ALossRestoresEveryPictureAsItWas) {
    const SurfaceSlot pictures[] = {Background, GnollSheet, BackgroundStrip, FireballSheet};
    std::vector<std::vector<std::uint16_t>> before;
    for (SurfaceSlot slot : pictures) before.push_back(Pixels(display_->surfaces[slot]));
    platform::ddraw::MarkAllSurfacesLost();
    // Restored memory is filled with a loud pattern; only the reload brings the pictures back.
    ASSERT_EQ(display_->RestoreAllSurfaces(), 1);
    for (std::size_t i = 0; i < std::size(pictures); ++i) {
        EXPECT_EQ(Pixels(display_->surfaces[pictures[i]]), before[i]) << "slot " << pictures[i];
    }
}

TEST_F(PicturesTest, ACopyWithoutAMemoryContextReportsFailure) {
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), "#105", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    platform::gdi::FailGdiCall(platform::gdi::GdiCall::CreateCompatibleDC, 1);
    EXPECT_EQ(display_->CopyBitmapToSurface(display_->surfaces[FireballSheet], bitmap, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(display_->CopyBitmapToSurface(nullptr, bitmap, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(display_->CopyBitmapToSurface(display_->surfaces[FireballSheet], nullptr, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(display_->CopyBitmapToSurface(display_->surfaces[FireballSheet], bitmap, 0, 0, 0, 0), DD_OK);
    DeleteObject(bitmap);
}

TEST_F(PicturesTest, ACopyStretchesTheBitmapOverTheWholeSurface) {
    // The 384x64 fireball sheet over the 128x128 scratch surface: nearest neighbour, both ways.
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), "#105", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(display_->FillSurface(FxSurface, 0x00FFFFFF), 1);
    EXPECT_EQ(display_->CopyBitmapToSurface(display_->surfaces[FxSurface], bitmap, 0, 0, 0, 0), DD_OK);
    DeleteObject(bitmap);
    const std::vector<std::uint16_t> fx = Pixels(display_->surfaces[FxSurface]);
    const std::vector<std::uint16_t> sheet = Pixels(display_->surfaces[FireballSheet]);
    EXPECT_EQ(std::count(fx.begin(), fx.end(), 0xFFFF), 0) << "every pixel written";
    // Each pixel comes from the source pixels it covers: rows y/2, columns 3x..3x+2.
    for (int y = 0; y < 128; y += 17) {
        for (int x = 0; x < 128; x += 13) {
            const auto* covered = &sheet[(y / 2) * 384 + x * 3];
            EXPECT_NE(std::find(covered, covered + 3, fx[y * 128 + x]), covered + 3) << x << "," << y;
        }
    }
}

TEST_F(PicturesTest, ACreatureSheetPaletteFailureLeavesThePicturesAlone) {
    const std::vector<std::uint16_t> before = Pixels(display_->surfaces[Background]);
    ASSERT_EQ(display_->FillSurface(Background, 0x00FFFFFF), 1);
    platform::ddraw::InjectFault("CreatePalette", 2, DDERR_GENERIC);
    EXPECT_EQ(display_->LoadSceneBitmaps(), 0);
    const std::vector<std::uint16_t> after = Pixels(display_->surfaces[Background]);
    EXPECT_EQ(std::count(after.begin(), after.end(), 0xFFFF), 640 * 480) << "no picture was loaded";
    // A failure of the background's own palette changes nothing in the outcome.
    platform::ddraw::ClearFaults();
    platform::ddraw::InjectFault("CreatePalette", 1, DDERR_GENERIC);
    EXPECT_EQ(display_->LoadSceneBitmaps(), 1);
    EXPECT_EQ(Pixels(display_->surfaces[Background]), before);
}

}  // namespace
