// Display start-up on the software DirectDraw: every failure and what it leaves behind, the
// capability checks, the pixel format and the tiles.
#include <cstring>

#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::InjectFault;

using StartupTest = DisplayFixture;

TEST_F(StartupTest, ANullWindowStopsAtOnceWithoutAMessage) {
    display_ = new DisplayContext();
    gDisplay = display_;
    EXPECT_EQ(display_->InitDirectDraw(nullptr), 0);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(display_->directDraw, nullptr);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
}

TEST_F(StartupTest, CapabilityChecksLookAtBothRecordsAndReportOnlyTheFirstMissing) {
    constexpr DWORD lr = DDFXCAPS_BLTMIRRORLEFTRIGHT, ud = DDFXCAPS_BLTMIRRORUPDOWN, fill = DDCAPS_BLTCOLORFILL;
    const struct {
        DWORD driverCaps, driverFx, helCaps, helFx;
        const char* message;  // null: start-up succeeds
    } rows[] = {
        {0, 0, fill, lr | ud, nullptr},
        {fill, lr | ud, 0, 0, nullptr},
        {fill, lr, 0, ud, nullptr},
        {0, ud, fill, 0, "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n"},
        {fill, lr, 0, 0, "Neither driver nor HEL\nsupports MIRRORUPDOWN\n"},
        {0, lr | ud, 0, lr | ud, "Neither driver nor HEL supports BLTCOLORFILL\n"},
        {0, ud, 0, ud, "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n"},
        {0, 0, 0, 0, "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message ? row.message : "passes");
        MarkBoxes();
        platform::ddraw::ResetForTesting();
        platform::ddraw::SetCapsOverride(row.driverCaps, row.driverFx, row.helCaps, row.helFx);
        EXPECT_EQ(TryStartDisplay(), row.message ? 0 : 1);
        EXPECT_EQ(BoxTexts(), row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{});
        display_->ReleaseAll();
        delete display_;
        display_ = nullptr;
    }
}

TEST_F(StartupTest, PixelFormatAndColourKeyInBothFormats) {
    const struct {
        platform::PixelFormat format;
        std::uint16_t red, green, blue;
        std::int32_t shifts[3], bits[3], losses[3];
    } rows[] = {
        {platform::PixelFormat::Rgb565, 0xF800, 0x07E0, 0x001F, {11, 5, 0}, {5, 6, 5}, {3, 2, 3}},
        {platform::PixelFormat::Rgb555, 0x7C00, 0x03E0, 0x001F, {10, 5, 0}, {5, 5, 5}, {3, 3, 3}},
    };
    for (const auto& row : rows) {
        SetPixelFormat(row.format);
        StartDisplay();
        EXPECT_EQ(display_->redMask, row.red);
        EXPECT_EQ(display_->greenMask, row.green);
        EXPECT_EQ(display_->blueMask, row.blue);
        EXPECT_EQ((std::vector<std::int32_t>{display_->redShift, display_->greenShift, display_->blueShift}),
                  std::vector<std::int32_t>(row.shifts, row.shifts + 3));
        EXPECT_EQ((std::vector<std::int32_t>{display_->redBits, display_->greenBits, display_->blueBits}),
                  std::vector<std::int32_t>(row.bits, row.bits + 3));
        EXPECT_EQ((std::vector<std::int32_t>{display_->redLoss, display_->greenLoss, display_->blueLoss}),
                  std::vector<std::int32_t>(row.losses, row.losses + 3));
        EXPECT_EQ(display_->colorKeyLow, row.green);
        EXPECT_EQ(display_->colorKeyHigh, row.green);
        EXPECT_EQ(display_->tileCount, 100);
        display_->ReleaseAll();
        delete display_;
        display_ = nullptr;
    }
}

TEST_F(StartupTest, TilesCountWhatTheVideoMemoryHolds) {
    const struct {
        const char* name;
        std::uint32_t vramKb;
        const char* op;
        int nth;
        std::int32_t tiles;
    } rows[] = {
        {"all fit", 4096, nullptr, 0, 100},
        {"budget of 1600 KiB", 1600, nullptr, 0, 24},
        {"no room after the other surfaces", 1408, nullptr, 0, 0},
        {"first tile refused", 4096, "CreateSurface", 6, 0},
        {"38th tile refused", 4096, "CreateSurface", 5 + 38, 37},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::ddraw::ResetForTesting();
        SetVideoMemoryKb(row.vramKb);
        if (row.op) InjectFault(row.op, row.nth, DDERR_OUTOFVIDEOMEMORY);
        platform::ddraw::StartCallLog();
        StartDisplay();
        EXPECT_EQ(display_->tileCount, row.tiles);
        if (row.tiles < kMaxTiles) {
            EXPECT_EQ(display_->tiles[row.tiles], nullptr);
        }
        // At most 100 tile requests, and the pictures after them.
        EXPECT_LE(CallsOf(platform::ddraw::CallLog(), "CreateSurface").size(), 5u + 100u + 3u);
        platform::ddraw::StopCallLog();
        display_->ReleaseAll();
        delete display_;
        display_ = nullptr;
    }
}

// Only the flip chain, the scratch surfaces and the tiles ask for video memory; the pictures name
// no memory at all. Requests are made in the surface table's order from one shared descriptor.
TEST_F(StartupTest, SurfaceRequestsAndKeys) {
    platform::ddraw::StartCallLog();
    StartDisplay();
    const auto log = platform::ddraw::CallLog();
    const auto formats = CallsOf(log, "GetPixelFormat");
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0].object, display_->surfaces[BackBuffer]) << "the format is the back buffer's";
    const auto keys = CallsOf(log, "SetColorKey");
    ASSERT_GE(keys.size(), 3u);
    const SurfaceSlot keyed[] = {Pointer1, Pointer2, FxSurface};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(keys[i].object, display_->surfaces[keyed[i]]);
        EXPECT_EQ(keys[i].flags, DDCKEY_SRCBLT);
        EXPECT_EQ(keys[i].x, display_->colorKeyLow);
    }
    constexpr DWORD kPlainVram = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    const struct {
        DWORD width, height, caps;
        const void* made;
    } expected[] = {
        {0, 0, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY,
         display_->surfaces[Primary]},
        {640, 128, kPlainVram, display_->surfaces[BackgroundStrip]},
        {128, 32, kPlainVram, display_->surfaces[Pointer1]},
        {128, 32, kPlainVram, display_->surfaces[Pointer2]},
        {128, 128, DDSCAPS_VIDEOMEMORY, display_->surfaces[FxSurface]},
        {64, 64, DDSCAPS_VIDEOMEMORY, display_->tiles[0]},
        {640, 480, DDSCAPS_OFFSCREENPLAIN, display_->surfaces[Background]},
        {500, 360, DDSCAPS_OFFSCREENPLAIN, display_->surfaces[GnollSheet]},
        {384, 64, DDSCAPS_OFFSCREENPLAIN, display_->surfaces[FireballSheet]},
    };
    auto requests = CallsOf(log, "CreateSurface");
    ASSERT_EQ(requests.size(), 5u + 100u + 3u);
    requests.erase(requests.begin() + 6, requests.begin() + 105);  // the other tiles ask alike
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(requests[i].flags, expected[i].caps);
        EXPECT_EQ(std::make_pair(requests[i].x, requests[i].y), std::make_pair(expected[i].width, expected[i].height));
        EXPECT_EQ(requests[i].source, expected[i].made);
    }
}

}  // namespace
