// The frame composer: the tile phase, the scene frame's calls and their order, the clipping
// geometry, the erase records and the pixels of composed frames.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "scene/scene_state.h"
#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::Call;

std::vector<LONG> Rect4(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

class ComposerTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
    }
    // The calls one RenderFrame makes.
    std::vector<Call> Render(std::int32_t expected = 1) {
        platform::ddraw::StartCallLog();
        EXPECT_EQ(scene_.RenderFrame(), expected);
        auto log = platform::ddraw::CallLog();
        platform::ddraw::StopCallLog();
        return log;
    }
    void SkipTilePhase() {
        Render();
        Render();
        ASSERT_EQ(scene_.tilePhaseFrames, 0);
    }
    void Place(std::int32_t x, std::int32_t direction, std::int32_t frame) {
        scene_.gnollX = x;
        scene_.gnollDirection = direction;
        scene_.gnollFrame = frame;
    }
    void Launch(std::int32_t x, std::int32_t y, std::int32_t frame) {
        scene_.fireballActive = 1;
        scene_.fireballX = x;
        scene_.fireballY = y;
        scene_.fireballFrame = frame;
    }
    // Blits only (the log also holds descriptions, device contexts and the like).
    static std::vector<Call> Blits(const std::vector<Call>& log) {
        std::vector<Call> blits;
        for (const auto& call : log) {
            if (call.op == "Blt" || call.op == "BltFast") blits.push_back(call);
        }
        return blits;
    }
    static std::vector<std::string> Ops(const std::vector<Call>& log) {
        std::vector<std::string> ops;
        for (const auto& call : log) ops.push_back(call.op);
        return ops;
    }

    SceneState scene_;
};

TEST_F(ComposerTest, TwoTilePhaseFramesThroughAllTilesInColumnOrder) {
    ASSERT_EQ(display_->tileCount, 100);
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        const auto log = Render();
        EXPECT_EQ(scene_.tilePhaseFrames, 1 - frame);
        EXPECT_TRUE(CallsOf(log, "GetDC").empty()) << "no text in the tile phase";
        const auto blits = Blits(log);
        ASSERT_EQ(blits.size(), 162u);
        for (int cell = 0; cell < 80; ++cell) {
            const int x = 64 * (cell / 8), y = 64 * (cell % 8), h = y == 448 ? 32 : 64;
            const Call& in = blits[2 * cell];
            const Call& out = blits[2 * cell + 1];
            EXPECT_EQ(in.op, "BltFast");
            EXPECT_EQ(in.object, display_->tiles[cell]);
            EXPECT_EQ(in.source, display_->surfaces[Background]);
            EXPECT_EQ(Rect4(in.src), (std::vector<LONG>{x, y, x + 64, y + h}));
            EXPECT_EQ(in.flags, DDBLTFAST_WAIT);
            EXPECT_EQ(out.object, display_->surfaces[BackBuffer]);
            EXPECT_EQ(out.source, display_->tiles[cell]);
            EXPECT_EQ(Rect4(out.src), (std::vector<LONG>{0, 0, 64, h}));
            EXPECT_EQ(std::make_pair(out.x, out.y), std::make_pair(DWORD(x), DWORD(y)));
        }
        // tile 7 carries cell (0, 448), tile 8 cell (64, 0)
        EXPECT_EQ(Rect4(blits[14].src), (std::vector<LONG>{0, 448, 64, 480}));
        EXPECT_EQ(Rect4(blits[16].src), (std::vector<LONG>{64, 0, 128, 64}));
        // The mirror test through tile 80.
        EXPECT_EQ(blits[160].op, "Blt");
        EXPECT_EQ(blits[160].object, display_->tiles[80]);
        EXPECT_EQ(Rect4(blits[160].src), (std::vector<LONG>{483, 213, 547, 277}));
        EXPECT_EQ(blits[160].flags, DDBLT_WAIT | DDBLT_DDFX);
        EXPECT_EQ(blits[160].fx, DDBLTFX_MIRRORLEFTRIGHT);
        EXPECT_EQ(blits[161].source, display_->tiles[80]);
        EXPECT_EQ(Rect4(blits[161].dest), (std::vector<LONG>{483, 213, 547, 277}));
        EXPECT_EQ(blits[161].fx, DDBLTFX_MIRRORLEFTRIGHT);
        EXPECT_EQ(Ops(log).back(), "Flip");
    }
    EXPECT_EQ(CallsOf(Render(), "GetDC").size(), 1u) << "the third frame is a scene frame";
}

// Fewer tiles are reused in turn, none means one full-screen copy; tile-phase frames leave the
// erase records alone.
TEST_F(ComposerTest, TilePhaseWithFewerTiles) {
    const std::int32_t all = display_->tileCount;
    for (std::int32_t count : {80, 24, 5, 1, 0}) {
        SCOPED_TRACE(count);
        display_->tileCount = count;
        scene_.tilePhaseFrames = 1;
        scene_.eraseCurrent = {1, 11, 12};
        scene_.erasePrevious = {1, 13, 14};
        const auto log = Render();
        const auto blits = Blits(log);
        EXPECT_EQ(Ops(log).back(), "Flip");
        EXPECT_EQ(std::vector<std::int32_t>(
                      {scene_.eraseCurrent.x, scene_.eraseCurrent.y, scene_.erasePrevious.x, scene_.erasePrevious.y}),
                  std::vector<std::int32_t>({11, 12, 13, 14}));
        if (count == 0) {
            ASSERT_EQ(blits.size(), 1u);
            EXPECT_EQ(blits[0].op, "Blt");
            EXPECT_EQ(blits[0].flags, 0u);
            EXPECT_EQ(Rect4(blits[0].src), (std::vector<LONG>{0, 0, 640, 480}));
            continue;
        }
        ASSERT_EQ(blits.size(), 162u);
        for (int cell = 0; cell < 80; ++cell) EXPECT_EQ(blits[2 * cell].object, display_->tiles[cell % count]);
        EXPECT_EQ(blits[160].object, display_->tiles[80 % count]);
    }
    display_->tileCount = all;
}

// The composer waits while a step runs and draws only once the step is over.
TEST_F(ComposerTest, AFrameWaitsOutARunningStep) {
    scene_.busy = 1;
    std::atomic<bool> drawn{false};
    std::thread composer([&] {
        EXPECT_EQ(scene_.RenderFrame(), 1);
        drawn = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(drawn.load());
    EXPECT_EQ(scene_.tilePhaseFrames, 2) << "nothing read before the step ended";
    scene_.busy = 0;
    composer.join();
    EXPECT_TRUE(drawn.load());
    EXPECT_EQ(scene_.tilePhaseFrames, 1);
}

TEST_F(ComposerTest, ASceneFrameWithNothingInFlight) {
    SkipTilePhase();
    Place(100, 1, 7);
    const auto log = Render();
    const auto blits = Blits(log);
    ASSERT_EQ(blits.size(), 5u);
    // strip
    EXPECT_EQ(blits[0].op, "BltFast");
    EXPECT_EQ(blits[0].source, display_->surfaces[BackgroundStrip]);
    EXPECT_EQ(std::make_pair(blits[0].x, blits[0].y), std::make_pair(DWORD(0), DWORD(347)));
    EXPECT_EQ(Rect4(blits[0].src), (std::vector<LONG>{0, 0, 640, 128}));
    // fill, then the probe
    EXPECT_EQ(blits[1].flags, DDBLT_COLORFILL | DDBLT_WAIT);
    EXPECT_EQ(blits[1].object, display_->surfaces[FxSurface]);
    EXPECT_EQ(blits[2].source, display_->surfaces[FxSurface]);
    EXPECT_EQ(std::make_pair(blits[2].x, blits[2].y), std::make_pair(DWORD(256), DWORD(0)));
    EXPECT_EQ(blits[2].flags, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
    // then the text and the flip
    const auto ops = Ops(log);
    const auto getDc = std::find(ops.begin(), ops.end(), "GetDC");
    ASSERT_NE(getDc, ops.end());
    EXPECT_GT(getDc - ops.begin(), std::find(ops.begin(), ops.end(), "BltFast") - ops.begin());
    EXPECT_EQ(ops.back(), "Flip");
    EXPECT_EQ(log.back().object, display_->surfaces[Primary]);
    EXPECT_EQ(log.back().flags, DDFLIP_WAIT);
    EXPECT_EQ(log.back().source, nullptr) << "the flip names no target";
    EXPECT_EQ(scene_.eraseCurrent.drawn, 0);
}

TEST_F(ComposerTest, CreatureCellsAndClipping) {
    SkipTilePhase();
    const struct {
        std::int32_t x, direction, frame;
        std::vector<LONG> cell, clip;
        DWORD at;
    } rows[] = {
        {540, 1, 0, {0, 0, 100, 120}, {0, 0, 100, 120}, 540},   {541, 1, 4, {400, 0, 500, 120}, {0, 0, 99, 120}, 541},
        {639, 1, 5, {0, 120, 100, 240}, {0, 0, 1, 120}, 639},   {0, 1, 13, {300, 240, 400, 360}, {0, 0, 100, 120}, 0},
        {-1, 1, 0, {0, 0, 100, 120}, {1, 0, 100, 120}, 0},      {-96, 1, 0, {0, 0, 100, 120}, {96, 0, 100, 120}, 0},
        {-99, 1, 0, {0, 0, 100, 120}, {99, 0, 100, 120}, 0},    {300, 1, 0, {0, 0, 100, 120}, {0, 0, 100, 120}, 300},
        {639, -1, 0, {0, 0, 100, 120}, {99, 0, 100, 120}, 639}, {541, -1, 0, {0, 0, 100, 120}, {1, 0, 100, 120}, 541},
        {540, -1, 0, {0, 0, 100, 120}, {0, 0, 100, 120}, 540},  {0, -1, 0, {0, 0, 100, 120}, {0, 0, 100, 120}, 0},
        {-96, -1, 0, {0, 0, 100, 120}, {0, 0, 4, 120}, 0},      {-99, -1, 0, {0, 0, 100, 120}, {0, 0, 1, 120}, 0},
        {250, -1, 0, {0, 0, 100, 120}, {0, 0, 100, 120}, 250},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.x) + (row.direction > 0 ? " right" : " left"));
        Place(row.x, row.direction, row.frame);
        const auto blits = Blits(Render());
        ASSERT_EQ(blits.size(), 5u);
        EXPECT_EQ(Rect4(blits[3].src), row.cell);
        const Call& creature = blits[4];
        EXPECT_EQ(creature.source, display_->surfaces[FxSurface]);
        EXPECT_EQ(Rect4(creature.src), row.clip);
        if (row.direction == 1) {
            EXPECT_EQ(creature.op, "BltFast");
            EXPECT_EQ(creature.flags, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
            EXPECT_EQ(std::make_pair(creature.x, creature.y), std::make_pair(row.at, DWORD(347)));
        } else {
            EXPECT_EQ(creature.op, "Blt");
            EXPECT_EQ(creature.flags, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX);
            EXPECT_EQ(creature.fx, DDBLTFX_MIRRORLEFTRIGHT);
            EXPECT_EQ(creature.dest.left, static_cast<LONG>(row.at));
            EXPECT_EQ(creature.dest.top, 347);
        }
    }
}

TEST_F(ComposerTest, AFailureEndsTheFrameAtOnce) {
    SkipTilePhase();
    scene_.eraseCurrent = {1, 10, 20};
    scene_.erasePrevious = {1, 30, 40};
    platform::ddraw::InjectFault("BltFast", 1, DDERR_GENERIC);
    const auto log = Render(0);
    EXPECT_EQ(Blits(log).size(), 1u);
    EXPECT_TRUE(CallsOf(log, "Flip").empty());
    EXPECT_EQ(scene_.eraseCurrent.x, 10);
    EXPECT_EQ(scene_.erasePrevious.x, 30);

    // A failure in the pair's first copy comes after the records have moved on.
    platform::ddraw::ClearFaults();
    Launch(200, 200, 0);
    platform::ddraw::InjectFault("Blt", 6, DDERR_GENERIC);  // fill, cell, erase fill, fill, frame, first copy
    Render(0);
    EXPECT_EQ(scene_.eraseCurrent.drawn, 1);
    EXPECT_EQ(scene_.eraseCurrent.x, 168);
    EXPECT_EQ(scene_.erasePrevious.x, 10);
}

// The picture a scene frame must show, built from the loaded pictures with the blit rules written
// out pixel by pixel: the cell's column c lands on X + c walking right and on X + 99 - c walking
// left; the fireball's frame is shown upside down with its centre at (fx, fy), and again reflected
// about x = 320.
class ComposedPixels : public ComposerTest {
protected:
    std::vector<std::uint16_t> Expected() const {
        std::vector<std::uint16_t> picture = Pixels(display_->surfaces[Background]);
        const std::vector<std::uint16_t> gnoll = Pixels(display_->surfaces[GnollSheet]);
        const std::vector<std::uint16_t> fireball = Pixels(display_->surfaces[FireballSheet]);
        const std::uint16_t key = static_cast<std::uint16_t>(display_->colorKeyLow);
        auto put = [&](int x, int y, std::uint16_t p) {
            if (p != key && x >= 0 && x < 640 && y >= 0 && y < 480) picture[y * 640 + x] = p;
        };
        const int n = scene_.gnollFrame, x0 = scene_.gnollX;
        for (int r = 0; r < 120; ++r) {
            for (int c = 0; c < 100; ++c) {
                const std::uint16_t p = gnoll[(120 * (n / 5) + r) * 500 + 100 * (n % 5) + c];
                put(scene_.gnollDirection == 1 ? x0 + c : x0 + 99 - c, 347 + r, p);
            }
        }
        if (scene_.fireballActive == 1) {
            const int fx = scene_.fireballX, fy = scene_.fireballY, f = scene_.fireballFrame;
            for (int j = 0; j < 64; ++j) {
                for (int i = 0; i < 64; ++i) {
                    const std::uint16_t p = fireball[(63 - j) * 384 + 64 * f + i];
                    put(fx - 32 + i, fy - 32 + j, p);
                    put(639 - (fx - 32 + i), fy - 32 + j, p);
                }
            }
        }
        return picture;
    }
    // Compares the shown frame with the expected one, leaving out the frame-rate text's corner.
    void ExpectShown(const std::vector<std::uint16_t>& expected) {
        const std::vector<std::uint16_t> shown = Pixels(display_->surfaces[Primary]);
        int differences = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (x >= 296 && x < 440 && y >= 456) continue;
                if (shown[y * 640 + x] != expected[y * 640 + x] && ++differences <= 5) {
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << shown[y * 640 + x]
                                  << " != " << expected[y * 640 + x];
                }
            }
        }
        EXPECT_EQ(differences, 0);
    }
};

TEST_F(ComposedPixels, CreatureAtTheEdgesInBothDirections) {
    SkipTilePhase();
    const struct {
        std::int32_t x, direction, frame;
    } rows[] = {{-99, 1, 3},  {-40, 1, 8},   {541, 1, 12}, {639, 1, 1}, {639, -1, 6},
                {600, -1, 9}, {-96, -1, 13}, {-50, -1, 2}, {320, -1, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.x) + (row.direction > 0 ? " right" : " left"));
        Place(row.x, row.direction, row.frame);
        Render();
        ExpectShown(Expected());
    }
}

TEST_F(ComposedPixels, FireballPairNearTheTopLeftCorner) {
    SkipTilePhase();
    Place(300, 1, 0);
    const struct {
        std::int32_t fx, fy, frame;
    } rows[] = {{280, 280, 0}, {40, 40, 1}, {31, 31, 2}, {10, 5, 3}, {-17, -17, 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.fx) + "," + std::to_string(row.fy));
        // Start from a clean pair of buffers so no earlier pair is left to erase.
        scene_.tilePhaseFrames = 2;
        scene_.fireballActive = 0;
        SkipTilePhase();
        scene_.eraseCurrent = {0, 0, 0};
        scene_.erasePrevious = {0, 0, 0};
        Launch(row.fx, row.fy, row.frame);
        Render();
        ExpectShown(Expected());
    }
}

// Each buffer's pair is erased two frames later, also where it was cut at the screen's corner.
TEST_F(ComposedPixels, ThePairIsErasedFromEachBufferTwoFramesLater) {
    const struct { std::int32_t x1, y1, x2, y2; } rows[] = {{150, 100, 141, 91}, {10, 5, 1, -4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x1);
        scene_.tilePhaseFrames = 2;
        scene_.fireballActive = 0;
        SkipTilePhase();
        scene_.eraseCurrent = {0, 0, 0};
        scene_.erasePrevious = {0, 0, 0};
        Place(300, 1, 0);
        Launch(row.x1, row.y1, 1);
        Render();
        Launch(row.x2, row.y2, 2);
        Render();
        scene_.fireballActive = 0;
        Render();  // composed over the first pair's buffer
        ExpectShown(Expected());
        Render();  // over the second pair's buffer
        ExpectShown(Expected());
    }
}

}  // namespace
