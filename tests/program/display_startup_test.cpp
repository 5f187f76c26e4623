// Display start-up (capability checks, tiles, surfaces, error words), restoring and releasing, on the software
// DirectDraw.
#include <cstring>
#include <tuple>

#include "display/error_text.h"
#include "tests/program/display_fixture.h"

namespace {

// Only the flip chain, scratch surfaces and tiles ask for video memory; requests follow the surface table's order.
class StartupTest : public DisplayFixture {
protected:
    StartupTest() { startDisplay_ = false; }
    void ExpectRequestsAndKeys(const std::vector<Call>& log) {
        IDirectDrawSurface** s = display_->surfaces;
        using Request = std::tuple<DWORD, DWORD, DWORD, const void*>;  // width, height, caps, the surface made
        std::vector<Request> requests, keys;
        for (const auto& call : CallsOf(log, "CreateSurface"))
            requests.emplace_back(call.x, call.y, call.flags, call.source);
        ASSERT_EQ(requests.size(), 5u + 100u + 3u);
        requests.erase(requests.begin() + 6, requests.begin() + 105);  // the other tiles ask alike
        constexpr DWORD kVram = DDSCAPS_VIDEOMEMORY, kPlain = DDSCAPS_OFFSCREENPLAIN;
        // clang-format off
        EXPECT_EQ(requests, (std::vector<Request>{
            {0, 0, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | kVram, s[Primary]},
            {640, 128, kPlain | kVram, s[BackgroundStrip]}, {128, 32, kPlain | kVram, s[Pointer1]},
            {128, 32, kPlain | kVram, s[Pointer2]}, {128, 128, kVram, s[FxSurface]},
            {64, 64, kVram, display_->tiles[0]}, {640, 480, kPlain, s[Background]},
            {500, 360, kPlain, s[GnollSheet]}, {384, 64, kPlain, s[FireballSheet]}}));
        // clang-format on
        // The format is read once, from the back buffer; the scratch surfaces, and only they, are keyed as they are
        // made and again by the restoration that ends the start.
        const DWORD key = display_->colorKeyLow;
        for (const auto& call : log) {
            if (call.op == "GetPixelFormat" || call.op == "SetColorKey")
                keys.emplace_back(call.flags, call.x, 0, call.object);
        }
        const Request p1{DDCKEY_SRCBLT, key, 0, s[Pointer1]}, p2{DDCKEY_SRCBLT, key, 0, s[Pointer2]},
            fx{DDCKEY_SRCBLT, key, 0, s[FxSurface]};
        EXPECT_EQ(keys, (std::vector<Request>{{0, 0, 0, s[BackBuffer]}, p1, p2, fx, fx, p1, p2}));
    }
};

TEST_F(StartupTest, CapabilityChecksLookAtBothRecordsAndReportOnlyTheFirstMissing) {
    constexpr DWORD lr = DDFXCAPS_BLTMIRRORLEFTRIGHT, ud = DDFXCAPS_BLTMIRRORUPDOWN, fill = DDCAPS_BLTCOLORFILL;
    constexpr const char* noLr = "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n";
    // clang-format off
    const struct { DWORD driverCaps, driverFx, helCaps, helFx; const char* message; /* null: starts */ } rows[] = {
        {0, 0, fill, lr | ud, nullptr}, {fill, lr | ud, 0, 0, nullptr}, {fill, lr, 0, ud, nullptr},
        {0, ud, fill, 0, noLr},
        {fill, lr, 0, 0, "Neither driver nor HEL\nsupports MIRRORUPDOWN\n"}, {0, ud, 0, ud, noLr}, {0, 0, 0, 0, noLr},
        {0, lr | ud, 0, lr | ud, "Neither driver nor HEL supports BLTCOLORFILL\n"}};
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message ? row.message : "passes");
        const std::size_t shown = platform::testing::MessageBoxesShown().size();
        platform::ddraw::ResetForTesting();
        platform::ddraw::SetCapsOverride(row.driverCaps, row.driverFx, row.helCaps, row.helFx);
        EXPECT_EQ(TryStartDisplay(window_), row.message ? 0 : 1);
        const auto boxes = platform::testing::MessageBoxesShown();
        std::vector<std::string> texts;  // of the boxes shown, which must be the window's
        for (auto i = shown; i < boxes.size(); ++i) texts.push_back(boxes[i].owner == window_ ? boxes[i].text : "?");
        EXPECT_EQ(texts, row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{});
        StopDisplay();
    }
    // Without a window nothing is made.
    EXPECT_TRUE(TryStartDisplay(nullptr) == 0 && display_->directDraw == nullptr);
    StopDisplay();
}

TEST_F(StartupTest, TilesCountWhatTheVideoMemoryHolds) {
    const struct {
        const char* name;
        std::uint32_t vramKb;
        int refused;  // the CreateSurface call refused, if any
        std::int32_t tiles;
    } rows[] = {{"all fit", 4096, 0, 100},
                {"budget of 1600 KiB", 1600, 0, 24},
                {"no room after the other surfaces", 1408, 0, 0},
                {"first tile refused", 4096, 6, 0},
                {"38th tile refused", 4096, 5 + 38, 37}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::ddraw::ResetForTesting();
        SetOptions(platform::PixelFormat::Rgb565, row.vramKb);
        if (row.refused) InjectFault("CreateSurface", row.refused, DDERR_OUTOFVIDEOMEMORY);
        const auto log = Logged([&] { StartDisplay(); });
        EXPECT_EQ(display_->tileCount, row.tiles);
        EXPECT_EQ(row.tiles < kMaxTiles ? display_->tiles[row.tiles] : nullptr, nullptr);
        // At most 100 tile requests, and the pictures after them.
        EXPECT_EQ(CallsOf(log, "CreateSurface").size(), 5u + std::min(row.tiles + 1, 100) + 3u);
        if (row.tiles == 100) ExpectRequestsAndKeys(log);
        StopDisplay();
    }
}

// Codes without words of their own, near neighbours among them, get the bare default; the text is cut at the 512-byte
// working buffer and at the caller's, and an unterminated caller text is read only within its buffer.
TEST(DirectDrawErrorText, EveryCodeWithWordsWithinBothBuffers) {
    // clang-format off
    const struct { std::uint32_t code; const char* words; } table[] = {
        {0x8007000E, "Out of memory.\n"}, {0x80070057, "Invalid Parameters.\n"},
        {0x8876005F, "Incompatible Primary surface\n"}, {0x88760064, "Invalid Capabilities.\n"},
        {0x88760082, "Invalid Object.\n"}, {0x88760091, "Invalid Pixel Format.\n"},
        {0x887600B4, "No Alpha Hardware.\n"}, {0x887600D4, "No Cooperative Level Set.\n"},
        {0x887600E1, "No Exclusive Mode.\n"}, {0x887600E6, "No Flip Hardware.\n"},
        {0x88760154, "No ZBuffer Hardware.\n"}, {0x8876017C, "Out of Video Memory.\n"},
        {0x88760233, "No DirectDraw Hardware.\n"}, {0x88760234, "Primary Surface Already Exists.\n"},
        {0x88760235, "No Emulation.\n"}, {0x8876024E, "Unsupported mode.\n"}, {0x8876024F, "No Mipmap Hardware.\n"},
        {DD_OK, ""}, {0x887601C2 /* DDERR_SURFACELOST */, ""}, {0x8876021C /* DDERR_WASSTILLDRAWING */, ""},
        {0x8876017D, ""}, {0x80004005 /* E_FAIL */, ""}};
    // clang-format on
    for (const auto& row : table) {
        SCOPED_TRACE(row.words);
        // The caller's text is appended uninterpreted.
        char buffer[512] = "CreateSurface failed: 100% %s\n";
        EXPECT_EQ(DescribeDirectDrawError(HRESULT(row.code), buffer, sizeof buffer), buffer);
        EXPECT_EQ(std::string(buffer), "Error!\n\n" + std::string(row.words) + "CreateSurface failed: 100% %s\n");
    }
    char big[1024] = {};
    std::memset(big, 'x', 600);
    const std::string composed = DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, big, sizeof big);
    EXPECT_EQ(composed, "Error!\n\nOut of Video Memory.\n" + std::string(511 - 29, 'x'));
    struct {
        char small[16] = "abc";
        char guard[8] = "GUARD!!";
    } buffers;
    EXPECT_EQ(std::string(DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, buffers.small, 16)),
              std::string("Error!\n\nOut of Video Memory.\nabc").substr(0, 15));
    EXPECT_STREQ(buffers.guard, "GUARD!!");
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(std::string(DescribeDirectDrawError(DD_OK, unterminated, sizeof unterminated)), "Err");
}

using RestorationTest = DisplayFixture;

// Every surface is restored in order, each scratch surface keyed after its Restore, then the pictures reloaded; the
// first failing Restore ends it all, an empty tile entry ends the tiles without failing.
TEST_F(RestorationTest, RestoresInOrderKeysAndReloads) {
    // clang-format off
    const struct { const char* name; int failingRestore /* 0: none */, emptyTile, tileCount; } rows[] = {
        {"all", 0, -1, 100}, {"tile 2 empty", 0, 2, 100}, {"no tiles", 0, 0, 0}, {"primary fails", 1, -1, 100},
        {"third tile fails", 4 + 3, -1, 100}, {"fireball sheet fails", 4 + 100 + 4, -1, 100}};
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string key = " " + std::to_string(DDCKEY_SRCBLT);
        std::vector<std::string> expected = {
            "Restore Primary 0",          "Restore Fx 0",       "SetColorKey Fx" + key,      "Restore Pointer1 0",
            "SetColorKey Pointer1" + key, "Restore Pointer2 0", "SetColorKey Pointer2" + key};
        for (int i = 0; i < (row.emptyTile >= 0 ? row.emptyTile : row.tileCount); ++i)
            expected.push_back("Restore tile" + std::to_string(i) + " 0");
        for (const char* name : {"Background", "Gnoll", "Strip", "Fireball"})
            expected.push_back(std::string("Restore ") + name + " 0");
        int restores = 0;  // the failing Restore is the last call: no reload
        const auto failing = std::find_if(expected.begin(), expected.end(), [&](const std::string& c) {
            return c.starts_with("Restore") && ++restores == row.failingRestore;
        });
        if (failing != expected.end()) expected.erase(failing + 1, expected.end());
        IDirectDrawSurface* const tile = display_->tiles[std::max(row.emptyTile, 0)];
        const auto names = Names();
        if (row.emptyTile >= 0) display_->tiles[row.emptyTile] = nullptr;
        display_->tileCount = row.tileCount;
        platform::ddraw::ClearFaults();
        if (row.failingRestore) InjectFault("Restore", row.failingRestore, DDERR_GENERIC);
        const auto log = Logged([&] { EXPECT_EQ(display_->RestoreAllSurfaces(), row.failingRestore ? 0 : 1); });
        display_->tiles[std::max(row.emptyTile, 0)] = tile;
        display_->tileCount = 100;
        std::vector<std::string> calls;
        for (const auto& c : log) calls.push_back(c.op + " " + names.at(c.object) + " " + std::to_string(c.flags));
        if (!row.failingRestore) {
            // The pictures were reloaded, drawing nothing on the back buffer: palettes made, strip copied.
            EXPECT_EQ(CallsOf(log, "CreatePalette").size(), 2u);
            EXPECT_EQ(std::count_if(log.begin(), log.end(),
                                    [&](const Call& c) { return c.object == display_->surfaces[BackBuffer]; }),
                      0);
            calls.resize(expected.size());
        }
        EXPECT_EQ(calls, expected);
    }
}

TEST_F(RestorationTest, ReleaseAllGivesEverythingBackInOrder) {
    const auto names = Names();
    std::vector<std::string> released;
    for (const auto& call : CallsOf(Logged([&] { display_->ReleaseAll(); }), "Release"))
        released.push_back(names.count(call.object) ? names.at(call.object) : "?");
    std::vector<std::string> expected = {"Primary",    "Fx",    "Pointer1", "Pointer2",
                                         "Background", "Gnoll", "Strip",    "Fireball"};
    for (int i = 0; i < 100; ++i) expected.push_back("tile" + std::to_string(i));
    expected.push_back("DirectDraw");  // last; the back buffer goes with the primary
    EXPECT_EQ(released, expected);
    EXPECT_EQ(std::vector<const void*>({gDisplay, display_->surfaces, display_->directDraw}),
              std::vector<const void*>(3, nullptr));
    EXPECT_EQ(display_->tileCount, 0);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
}

}  // namespace
