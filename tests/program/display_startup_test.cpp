// Display start-up on the software DirectDraw: every failure and what it leaves behind, the
// capability checks, the pixel format and the tiles.
#include <cstring>

#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::InjectFault;

using StartupTest = DisplayFixture;

constexpr char kPrimaryText[] = "CreateSurface failed for DirectDraw.\n";

struct FailureRow {
    const char* op;
    int nth;
    HRESULT result;
    std::string message;
    std::vector<SurfaceSlot> held;  // every other slot must be empty
    std::int32_t tiles;
};

TEST_F(StartupTest, EachFailingStepShowsItsOneMessageAndKeepsWhatWasMade) {
    const std::vector<SurfaceSlot> chain = {Primary, BackBuffer};
    const std::vector<SurfaceSlot> vram = {Primary, BackBuffer, BackgroundStrip, Pointer1, Pointer2, FxSurface};
    const FailureRow rows[] = {
        {"DirectDrawCreate",
         1,
         DDERR_GENERIC,
         "Cannot create DirectDraw object.\n Please install DirectX 3.01a or greater.\n",
         {},
         0},
        {"SetCooperativeLevel",
         1,
         DDERR_GENERIC,
         "This program needs to run in DirectDraw\n Exclusive Mode.\n\nPlease restart after closing other \nDirect "
         "Draw programs.",
         {},
         0},
        {"SetDisplayMode", 1, DDERR_GENERIC, "SetDisplayMode failed for\nDirectDraw (640x480x16)\n", {}, 0},
        {"CreateSurface",
         1,
         DDERR_OUTOFVIDEOMEMORY,
         std::string("Error!\n\nOut of Video Memory.\n") + kPrimaryText,
         {},
         0},
        {"CreateSurface", 1, static_cast<HRESULT>(0x88760999), std::string("Error!\n\n") + kPrimaryText, {}, 0},
        {"GetAttachedSurface", 1, DDERR_GENERIC, "GetAttachedSurface failed for DirectDraw.\n", {Primary}, 0},
        {"GetPixelFormat", 1, DDERR_GENERIC, "GetPixelFormat failed for DirectDraw.\n", chain, 0},
        {"CreateSurface", 2, DDERR_OUTOFVIDEOMEMORY, "Failed to create surface for background replacement in VRAM\n",
         chain, 0},
        {"CreateSurface",
         3,
         DDERR_OUTOFVIDEOMEMORY,
         "Failed to create surface for Pointer_1 in VRAM\n",
         {Primary, BackBuffer, BackgroundStrip},
         0},
        {"CreateSurface",
         4,
         DDERR_OUTOFVIDEOMEMORY,
         "Failed to create surface for Pointer_2 in VRAM\n",
         {Primary, BackBuffer, BackgroundStrip, Pointer1},
         0},
        {"CreateSurface",
         5,
         DDERR_OUTOFVIDEOMEMORY,
         "Failed to create FX surface in VRAM.\n",
         {Primary, BackBuffer, BackgroundStrip, Pointer1, Pointer2},
         0},
        {"CreateSurface", 106, DDERR_OUTOFMEMORY,
         "Failed to create background surface in RAM.\nPlease close other programs and restart this program.\n", vram,
         100},
        {"CreateSurface",
         107,
         DDERR_OUTOFMEMORY,
         "Failed to create gnoll surface in RAM.\nPlease close other programs and restart this program.\n",
         {Primary, BackBuffer, BackgroundStrip, Pointer1, Pointer2, FxSurface, Background},
         100},
        {"CreateSurface",
         108,
         DDERR_OUTOFMEMORY,
         "Failed to create fireball surface in RAM.\nPlease close other programs and restart this program.\n",
         {Primary, BackBuffer, BackgroundStrip, Pointer1, Pointer2, FxSurface, Background, GnollSheet},
         100},
        {"Restore",
         1,
         DDERR_GENERIC,
         "Failed to restore all surfaces.\n",
         {Primary, BackBuffer, BackgroundStrip, Pointer1, Pointer2, FxSurface, Background, GnollSheet, FireballSheet},
         100},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(std::string(row.op) + " #" + std::to_string(row.nth) + ": " + row.message);
        MarkBoxes();
        platform::ddraw::ResetForTesting();
        InjectFault(row.op, row.nth, row.result);
        EXPECT_EQ(TryStartDisplay(), 0);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{row.message});
        for (std::int32_t slot = 0; slot < kSurfaceSlotCount; ++slot) {
            const bool held = std::find(row.held.begin(), row.held.end(), slot) != row.held.end();
            EXPECT_EQ(display_->surfaces[slot] != nullptr, held) << "slot " << slot;
        }
        EXPECT_EQ(display_->tileCount, row.tiles);
        EXPECT_EQ(display_->directDraw != nullptr, std::strcmp(row.op, "DirectDrawCreate") != 0);

        display_->ReleaseAll();
        EXPECT_EQ(gDisplay, nullptr);
        EXPECT_EQ(display_->tileCount, 0);
        EXPECT_EQ(display_->directDraw, nullptr);
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0) << "ReleaseAll gives back exactly what was made";
        delete display_;
        display_ = nullptr;
    }
}

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

TEST_F(StartupTest, AFlipChainThatDoesNotFitNamesTheReason) {
    SetVideoMemoryKb(1000);
    EXPECT_EQ(TryStartDisplay(), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{std::string("Error!\n\nOut of Video Memory.\n") + kPrimaryText});
}

TEST_F(StartupTest, RequestsUseTheSharedDescriptorAsTheSurfaceTableSays) {
    platform::ddraw::StartCallLog();
    StartDisplay();
    // The pixel format is read from the back buffer, not the primary.
    const auto formats = CallsOf(platform::ddraw::CallLog(), "GetPixelFormat");
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0].object, display_->surfaces[BackBuffer]);
    // The keys go on Pointer1, Pointer2 and FxSurface, in that order, with the green key.
    const auto keys = CallsOf(platform::ddraw::CallLog(), "SetColorKey");
    ASSERT_GE(keys.size(), 3u);
    EXPECT_EQ(keys[0].object, display_->surfaces[Pointer1]);
    EXPECT_EQ(keys[1].object, display_->surfaces[Pointer2]);
    EXPECT_EQ(keys[2].object, display_->surfaces[FxSurface]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(keys[i].flags, DDCKEY_SRCBLT);
    const struct {
        SurfaceSlot slot;
        DWORD width, height, caps;
    } expected[] = {
        {BackgroundStrip, 640, 128, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY},
        {Pointer1, 128, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY},
        {Pointer2, 128, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY},
        {FxSurface, 128, 128, DDSCAPS_VIDEOMEMORY},
        {Background, 640, 480, DDSCAPS_SYSTEMMEMORY},
        {GnollSheet, 500, 360, DDSCAPS_SYSTEMMEMORY},
        {FireballSheet, 384, 64, DDSCAPS_SYSTEMMEMORY},
    };
    for (const auto& row : expected) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(display_->surfaces[row.slot]->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.dwWidth, row.width) << row.slot;
        EXPECT_EQ(desc.dwHeight, row.height) << row.slot;
        // Pictures name no memory; with the default budget they land in whatever is left.
        if (row.caps != DDSCAPS_SYSTEMMEMORY) {
            EXPECT_EQ(desc.ddsCaps.dwCaps & row.caps, row.caps) << row.slot;
        }
    }
}

}  // namespace
