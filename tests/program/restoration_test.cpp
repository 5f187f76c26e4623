// Restoring every surface in order, reloading the pictures, and releasing everything.
#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::InjectFault;

class RestorationTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
    }
    // The surfaces in the order a full restoration visits them.
    std::vector<const void*> RestoreOrder() const {
        std::vector<const void*> order = {display_->surfaces[Primary], display_->surfaces[FxSurface],
                                          display_->surfaces[Pointer1], display_->surfaces[Pointer2]};
        for (std::int32_t i = 0; i < display_->tileCount; ++i) order.push_back(display_->tiles[i]);
        for (SurfaceSlot slot : {Background, GnollSheet, BackgroundStrip, FireballSheet}) {
            order.push_back(display_->surfaces[slot]);
        }
        return order;
    }
    // Restore and SetColorKey calls up to the first call of anything else (the picture reload).
    static std::vector<platform::ddraw::Call> RestorePhase(const std::vector<platform::ddraw::Call>& log) {
        std::vector<platform::ddraw::Call> phase;
        for (const auto& call : log) {
            if (call.op != "Restore" && call.op != "SetColorKey") break;
            phase.push_back(call);
        }
        return phase;
    }
};

TEST_F(RestorationTest, RestoresEverySurfaceInOrderKeysTheScratchSurfacesAndReloads) {
    platform::ddraw::StartCallLog();
    EXPECT_EQ(display_->RestoreAllSurfaces(), 1);
    const auto log = platform::ddraw::CallLog();
    const auto phase = RestorePhase(log);
    std::vector<const void*> restored;
    std::vector<std::pair<const void*, const void*>> keyedAfter;  // (keyed surface, surface restored just before)
    for (std::size_t i = 0; i < phase.size(); ++i) {
        if (phase[i].op == "Restore") restored.push_back(phase[i].object);
        if (phase[i].op == "SetColorKey") {
            EXPECT_EQ(phase[i].flags, DDCKEY_SRCBLT);
            keyedAfter.push_back({phase[i].object, i > 0 ? phase[i - 1].object : nullptr});
        }
    }
    EXPECT_EQ(restored, RestoreOrder());
    ASSERT_EQ(keyedAfter.size(), 3u);
    const SurfaceSlot keyedSlots[] = {FxSurface, Pointer1, Pointer2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(keyedAfter[i].first, display_->surfaces[keyedSlots[i]]);
        EXPECT_EQ(keyedAfter[i].second, display_->surfaces[keyedSlots[i]]) << "keyed right after its own Restore";
    }
    // The pictures were reloaded: palettes made and the strip copied.
    EXPECT_EQ(CallsOf(log, "CreatePalette").size(), 2u);
    for (const auto& call : log) EXPECT_NE(call.object, display_->surfaces[BackBuffer]) << call.op;
}

TEST_F(RestorationTest, TheFirstFailingRestoreEndsTheRestoration) {
    const struct {
        const char* name;
        int failingRestore;
        std::size_t restoredBefore;
    } rows[] = {
        {"primary", 1, 0},
        {"third tile", 4 + 3, 4 + 2},
        {"fireball sheet", 4 + 100 + 4, 4 + 100 + 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::ddraw::ClearFaults();
        InjectFault("Restore", row.failingRestore, DDERR_GENERIC);
        platform::ddraw::StartCallLog();
        EXPECT_EQ(display_->RestoreAllSurfaces(), 0);
        const auto log = platform::ddraw::CallLog();
        platform::ddraw::StopCallLog();
        const auto restores = CallsOf(log, "Restore");
        ASSERT_EQ(restores.size(), row.restoredBefore + 1);
        const auto order = RestoreOrder();
        for (std::size_t i = 0; i < restores.size(); ++i) EXPECT_EQ(restores[i].object, order[i]);
        EXPECT_EQ(CallsOf(log, "CreatePalette").size(), 0u) << "no reload after a failed restore";
        EXPECT_EQ(log.size(), RestorePhase(log).size()) << "nothing but restores and keys";
    }
}

// An empty tile entry ends the walk over the tiles without failing it; with no tiles at all the walk
// goes straight from the scratch surfaces to the pictures.
TEST_F(RestorationTest, TheTileWalkEndsAtAnEmptyEntryOrTheCount) {
    for (const std::int32_t firstMissing : {2, 0}) {
        SCOPED_TRACE(firstMissing);
        IDirectDrawSurface* tile = display_->tiles[firstMissing];
        const std::int32_t count = display_->tileCount;
        if (firstMissing == 0) display_->tileCount = 0;
        display_->tiles[firstMissing] = nullptr;
        std::vector<const void*> expected = RestoreOrder();
        if (firstMissing != 0) expected.erase(expected.begin() + 4 + firstMissing, expected.end() - 4);
        platform::ddraw::StartCallLog();
        EXPECT_EQ(display_->RestoreAllSurfaces(), 1);
        std::vector<const void*> restored;
        for (const auto& call : CallsOf(RestorePhase(platform::ddraw::CallLog()), "Restore")) {
            restored.push_back(call.object);
        }
        EXPECT_EQ(restored, expected);
        display_->tiles[firstMissing] = tile;
        display_->tileCount = count;
    }
}

TEST_F(RestorationTest, ReleaseAllGivesEverythingBackInOrder) {
    const std::vector<const void*> surfaces = {display_->surfaces[Primary],         display_->surfaces[FxSurface],
                                               display_->surfaces[Pointer1],        display_->surfaces[Pointer2],
                                               display_->surfaces[Background],      display_->surfaces[GnollSheet],
                                               display_->surfaces[BackgroundStrip], display_->surfaces[FireballSheet]};
    std::vector<const void*> expected = surfaces;
    for (std::int32_t i = 0; i < display_->tileCount; ++i) expected.push_back(display_->tiles[i]);
    const void* directDraw = display_->directDraw;
    const void* backBuffer = display_->surfaces[BackBuffer];
    platform::ddraw::StartCallLog();
    display_->ReleaseAll();
    std::vector<const void*> released;
    for (const auto& call : CallsOf(platform::ddraw::CallLog(), "Release")) released.push_back(call.object);
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
