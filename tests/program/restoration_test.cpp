// Restoring every surface in order, reloading the pictures, and releasing everything.
#include "tests/program/display_fixture.h"

namespace {

using RestorationTest = StartedDisplay;

// Every surface is restored in order, the scratch surfaces keyed right after their own Restore, then
// the pictures reloaded. The first failing Restore ends it all with no reload; an empty tile entry
// ends the walk over the tiles without failing it.
TEST_F(RestorationTest, RestoresInOrderKeysAndReloads) {
    const struct {
        const char* name;
        int failingRestore;  // 0: none
        std::int32_t emptyTile, tileCount;
    } rows[] = {{"all", 0, -1, 100},
                {"tile 2 empty", 0, 2, 100},
                {"no tiles", 0, 0, 0},
                {"primary fails", 1, -1, 100},
                {"third tile fails", 4 + 3, -1, 100},
                {"fireball sheet fails", 4 + 100 + 4, -1, 100}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        IDirectDrawSurface** s = display_->surfaces;
        std::vector<const void*> order = {s[Primary], s[FxSurface], s[Pointer1], s[Pointer2]};
        const std::int32_t walked = row.emptyTile >= 0 ? row.emptyTile : row.tileCount;
        order.insert(order.end(), display_->tiles, display_->tiles + walked);
        for (SurfaceSlot slot : {Background, GnollSheet, BackgroundStrip, FireballSheet}) order.push_back(s[slot]);
        if (row.failingRestore) order.resize(row.failingRestore);
        IDirectDrawSurface* const tile = display_->tiles[std::max(row.emptyTile, 0)];
        if (row.emptyTile >= 0) display_->tiles[row.emptyTile] = nullptr;
        display_->tileCount = row.tileCount;
        platform::ddraw::ClearFaults();
        if (row.failingRestore) InjectFault("Restore", row.failingRestore, DDERR_GENERIC);
        const auto log = Logged([&] { EXPECT_EQ(display_->RestoreAllSurfaces(), row.failingRestore ? 0 : 1); });
        display_->tiles[std::max(row.emptyTile, 0)] = tile;
        display_->tileCount = 100;

        // The restore phase: Restore and SetColorKey calls up to the first call of anything else.
        std::size_t phase = 0;
        while (phase < log.size() && (log[phase].op == "Restore" || log[phase].op == "SetColorKey")) ++phase;
        std::vector<const void*> restored, keyed;
        for (std::size_t i = 0; i < phase; ++i) {
            if (log[i].op == "Restore") restored.push_back(log[i].object);
            if (log[i].op != "SetColorKey") continue;
            EXPECT_EQ(log[i].flags, DDCKEY_SRCBLT);
            EXPECT_EQ(log[i].object, i > 0 ? log[i - 1].object : nullptr) << "keyed right after its own Restore";
            keyed.push_back(log[i].object);
        }
        EXPECT_EQ(restored, order);
        if (row.failingRestore) {
            EXPECT_EQ(phase, log.size()) << "nothing but restores and keys, no reload";
            continue;
        }
        EXPECT_EQ(keyed, (std::vector<const void*>{s[FxSurface], s[Pointer1], s[Pointer2]}));
        // The pictures were reloaded: palettes made and the strip copied.
        EXPECT_EQ(CallsOf(log, "CreatePalette").size(), 2u);
        for (const auto& call : log) EXPECT_NE(call.object, s[BackBuffer]) << call.op;
    }
}

TEST_F(RestorationTest, ReleaseAllGivesEverythingBackInOrder) {
    IDirectDrawSurface** s = display_->surfaces;
    std::vector<const void*> expected = {s[Primary],    s[FxSurface],  s[Pointer1],        s[Pointer2],
                                         s[Background], s[GnollSheet], s[BackgroundStrip], s[FireballSheet]};
    expected.insert(expected.end(), display_->tiles, display_->tiles + display_->tileCount);
    const void* directDraw = display_->directDraw;
    const void* backBuffer = s[BackBuffer];
    std::vector<const void*> released;
    for (const auto& call : CallsOf(Logged([&] { display_->ReleaseAll(); }), "Release")) {
        released.push_back(call.object);
    }
    ASSERT_GE(released.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<const void*>(released.begin(), released.begin() + expected.size()), expected);
    EXPECT_EQ(released.back(), directDraw) << "the DirectDraw object goes last";
    EXPECT_EQ(std::count(released.begin(), released.end(), backBuffer), 0);
    EXPECT_EQ(gDisplay, nullptr);
    EXPECT_EQ(display_->tileCount, 0);
    EXPECT_EQ(display_->surfaces, nullptr);
    EXPECT_EQ(display_->directDraw, nullptr);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
}

}  // namespace
