// The frame composer: the tile phase, the scene frame's calls and order, clipping, erase records and composed pixels.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "scene/scene_state.h"
#include "tests/program/display_fixture.h"

namespace {

class ComposerTest : public DisplayFixture {
protected:
    // The calls one RenderFrame makes.
    std::vector<Call> Render(std::int32_t expected = 1) {
        return Logged([&] { EXPECT_EQ(scene_.RenderFrame(), expected); });
    }
    // Two tile-phase frames, from clean buffers with nothing left to erase.
    void SkipTilePhase() {
        scene_.tilePhaseFrames = 2;
        scene_.fireballActive = 0;
        Render();
        Render();
        ASSERT_EQ(scene_.tilePhaseFrames, 0);
        scene_.eraseCurrent = scene_.erasePrevious = {0, 0, 0};
    }
    // x, direction, frame of the creature; x, y, frame of the fireball, and whether it flies.
    void Set(std::vector<std::int32_t> creature, std::vector<std::int32_t> fireball = {0, 0, 0}, bool flying = true) {
        std::atomic<std::int32_t>* fields[] = {&scene_.gnollX,    &scene_.gnollDirection, &scene_.gnollFrame,
                                               &scene_.fireballX, &scene_.fireballY,      &scene_.fireballFrame};
        creature.insert(creature.end(), fireball.begin(), fireball.end());
        for (int i = 0; i < 6; ++i) *fields[i] = creature[i];
        scene_.fireballActive = flying && fireball != std::vector<std::int32_t>(3);
    }
    // A call as text: its object, source and source rectangle, where it goes (a point for BltFast, a rectangle for
    // Blt), flags and effects.
    using Rect = std::vector<LONG>;
    static std::string Str(std::string op, std::string to, std::string from, Rect src, Rect place, DWORD flags,
                           DWORD fx = 0, DWORD fill = 0) {
        return op + " " + to + " <- " + from + testing::PrintToString(src) + " to " + testing::PrintToString(place) +
               " flags " + std::to_string(flags) + " fx " + std::to_string(fx) + " fill " + std::to_string(fill);
    }
    // The blits, device contexts taken and flips in the log.
    std::vector<std::string> Calls(const std::vector<Call>& log) const {
        std::vector<std::string> calls;
        auto names = Names();
        for (const auto& c : log) {
            const Rect src = c.op.starts_with("Blt") ? Rect4(c.src) : Rect{};
            const Rect place = c.op == "BltFast" ? Rect{LONG(c.x), LONG(c.y)} : c.op == "Blt" ? Rect4(c.dest) : Rect{};
            if (c.op.starts_with("Blt") || c.op == "GetDC" || c.op == "Flip")
                calls.push_back(Str(c.op, names[c.object], names[c.source], src, place, c.flags, c.fx, c.fillColor));
        }
        return calls;
    }
    std::vector<std::int32_t> EraseRecords() const {
        const EraseRecord &c = scene_.eraseCurrent, &p = scene_.erasePrevious;
        return {c.drawn, c.x, c.y, p.drawn, p.x, p.y};
    }

    SceneState scene_;
};

// Two frames paint the background through the tiles column by column, reusing fewer tiles in turn, then one block
// through a tile mirrored twice (no tiles: one full copy); no text, erase records left alone.
TEST_F(ComposerTest, TilePhaseFrames) {
    constexpr DWORD kMirrored = DDBLT_WAIT | DDBLT_DDFX;
    for (std::int32_t count : {100, 80, 24, 5, 1, 0}) {
        SCOPED_TRACE(count);
        display_->tileCount = count;
        std::vector<std::string> expected;
        for (int cell = 0; cell < 80 && count > 0; ++cell) {
            const LONG x = 64 * (cell / 8), y = 64 * (cell % 8), h = y == 448 ? 32 : 64;
            const std::string tile = "tile" + std::to_string(cell % count);
            expected.push_back(Str("BltFast", tile, "Background", {x, y, x + 64, y + h}, {0, 0}, DDBLTFAST_WAIT));
            expected.push_back(Str("BltFast", "Back", tile, {0, 0, 64, h}, {x, y}, DDBLTFAST_WAIT));
        }
        const std::string tile = "tile" + std::to_string(count > 0 ? 80 % count : 0);
        const Rect block = {483, 213, 547, 277}, whole = {0, 0, 64, 64}, screen = {0, 0, 640, 480};
        if (count > 0)
            expected.push_back(Str("Blt", tile, "Background", block, whole, kMirrored, DDBLTFX_MIRRORLEFTRIGHT));
        if (count > 0) expected.push_back(Str("Blt", "Back", tile, whole, block, kMirrored, DDBLTFX_MIRRORLEFTRIGHT));
        if (count == 0) expected.push_back(Str("Blt", "Back", "Background", screen, screen, 0));
        expected.push_back(Str("Flip", "Primary", "none", {}, {}, DDFLIP_WAIT));
        scene_.tilePhaseFrames = 2;
        for (int frame = 0; frame < 2; ++frame) {
            scene_.eraseCurrent = {1, 11, 12};
            scene_.erasePrevious = {1, 13, 14};
            const auto log = Render();
            EXPECT_EQ(scene_.tilePhaseFrames, 1 - frame);
            EXPECT_EQ(Calls(log), expected) << "no text in the tile phase";
            EXPECT_EQ(EraseRecords(), std::vector<std::int32_t>({1, 11, 12, 1, 13, 14}));
        }
    }
    // With no tiles, a failing copy fails the frame: nothing is flipped.
    scene_.tilePhaseFrames = 2;
    InjectFault("Blt", 1, DDERR_GENERIC);
    EXPECT_EQ(Calls(Render(0)).size(), 1u);
    platform::ddraw::ClearFaults();
    display_->tileCount = 100;
}

// The composer waits while a step runs and draws only once the step is over.
TEST_F(ComposerTest, AFrameWaitsOutARunningStep) {
    scene_.busy = 1;
    std::thread composer([&] { EXPECT_EQ(scene_.RenderFrame(), 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(scene_.tilePhaseFrames, 2) << "nothing read or drawn before the step ended";
    scene_.busy = 0;
    composer.join();
    EXPECT_EQ(scene_.tilePhaseFrames, 1) << "drawn once it ended";
}

// A scene frame with nothing in flight: the strip, the colour-key probe, the creature's cell and the creature cut at
// the edges (mirrored walking left), the text and the flip naming no target.
TEST_F(ComposerTest, SceneFrameCreatureCellsAndClipping) {
    SkipTilePhase();
    constexpr DWORD kKeyedFast = DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY;
    const struct {
        LONG x, direction, frame, cellLeft, cellTop, clipLeft, clipRight, at;
    } rows[] = {{540, 1, 0, 0, 0, 0, 100, 540},  {541, 1, 4, 400, 0, 0, 99, 541},    {639, 1, 5, 0, 120, 0, 1, 639},
                {0, 1, 13, 300, 240, 0, 100, 0}, {-1, 1, 0, 0, 0, 1, 100, 0},        {-96, 1, 0, 0, 0, 96, 100, 0},
                {-99, 1, 0, 0, 0, 99, 100, 0},   {300, 1, 7, 200, 120, 0, 100, 300}, {639, -1, 0, 0, 0, 99, 100, 639},
                {541, -1, 0, 0, 0, 1, 100, 541}, {540, -1, 0, 0, 0, 0, 100, 540},    {0, -1, 0, 0, 0, 0, 100, 0},
                {-96, -1, 0, 0, 0, 0, 4, 0},     {-99, -1, 0, 0, 0, 0, 1, 0},        {250, -1, 0, 0, 0, 0, 100, 250}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.x) + (row.direction > 0 ? " right" : " left"));
        Set({row.x, row.direction, row.frame});
        const auto log = Render();
        const std::vector<LONG> cell = {row.cellLeft, row.cellTop, row.cellLeft + 100, row.cellTop + 120},
                                clip = {row.clipLeft, 0, row.clipRight, 120};
        const LONG width = row.clipRight - row.clipLeft;
        EXPECT_EQ(
            Calls(log),
            (std::vector<std::string>{
                Str("BltFast", "Back", "Strip", {0, 0, 640, 128}, {0, 347}, DDBLTFAST_WAIT),
                Str("Blt", "Fx", "none", {0, 0, 128, 128}, {0, 0, 128, 128}, DDBLT_COLORFILL | DDBLT_WAIT, 0, 0x07E0),
                Str("BltFast", "Back", "Fx", {0, 0, 128, 128}, {256, 0}, kKeyedFast),
                Str("Blt", "Fx", "Gnoll", cell, {0, 0, 100, 120}, DDBLT_WAIT, 0),
                row.direction == 1 ? Str("BltFast", "Back", "Fx", clip, {row.at, 347}, kKeyedFast)
                                   : Str("Blt", "Back", "Fx", clip, {row.at, 347, row.at + width, 467},
                                         DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX, DDBLTFX_MIRRORLEFTRIGHT),
                Str("GetDC", "Back", "none", {}, {}, 0), Str("Flip", "Primary", "none", {}, {}, DDFLIP_WAIT)}));
        EXPECT_EQ(scene_.eraseCurrent.drawn, 0);
    }
}

// A failing blit ends the frame with no flip, before the erase records move on (strip, erase) or after (the new pair).
TEST_F(ComposerTest, AFailureEndsTheFrameAtOnce) {
    SkipTilePhase();
    // Blits: strip, fill, probe, cell, creature, erase fill, erase, erase mirrored, fill, frame, copies.
    const struct {
        const char *name, *op;
        int nth, blits;
        bool moved;
    } rows[] = {{"strip", "BltFast", 1, 1, false},  {"erase fill", "Blt", 3, 6, false},
                {"erase", "BltFast", 4, 7, false},  {"erase mirrored", "BltFast", 5, 8, false},
                {"first copy", "Blt", 6, 11, true}, {"second copy", "Blt", 7, 12, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        scene_.eraseCurrent = {1, 10, 20};
        scene_.erasePrevious = {1, 30, 40};
        Set({300, 1, 0}, {200, 200, 1});
        platform::ddraw::ClearFaults();
        InjectFault(row.op, row.nth, DDERR_GENERIC);
        const auto log = Render(0);
        EXPECT_EQ(Calls(log).size(), std::size_t(row.blits)) << "no more blits, no text, no flip";
        EXPECT_EQ(EraseRecords(), row.moved ? std::vector<std::int32_t>({1, 168, 168, 1, 10, 20})
                                            : std::vector<std::int32_t>({1, 10, 20, 1, 30, 40}));
    }
    StopDisplay();
    EXPECT_EQ(scene_.RenderFrame(), 0) << "no display to draw on";
}

// Two frames with the creature and a fireball pair, then two without, built pixel by pixel: cell column c lands on X +
// c walking right, X + 99 - c walking left; the fireball frame shows upside down at (fx, fy) and mirrored about x =
// 320.
TEST_F(ComposerTest, FramesAsComposed) {
    const struct {
        std::vector<std::int32_t> creature[2], pair[2];  // x, direction, frame; x, y, frame
    } rows[] = {{{{-99, 1, 3}, {-40, 1, 8}}, {{280, 280, 0}, {150, 100, 1}}},
                {{{541, 1, 12}, {639, 1, 1}}, {{40, 40, 1}, {141, 91, 2}}},
                {{{639, -1, 6}, {600, -1, 9}}, {{31, 31, 2}, {10, 5, 3}}},
                {{{-96, -1, 13}, {-50, -1, 2}}, {{10, 5, 1}, {1, -4, 2}}},
                {{{320, -1, 0}, {300, 1, 0}}, {{-17, -17, 5}, {40, 40, 0}}}};
    const std::vector<std::uint16_t> gnoll = Pixels(GnollSheet), fireball = Pixels(FireballSheet);
    const auto key = static_cast<std::uint16_t>(display_->colorKeyLow);
    for (const auto& row : rows) {
        SkipTilePhase();
        for (int frame = 0; frame < 4; ++frame) {
            const auto &c = row.creature[frame % 2], &f = row.pair[frame % 2];
            SCOPED_TRACE(testing::Message()
                         << "creature " << c[0] << " pair " << f[0] << "," << f[1] << " frame " << frame);
            Set(c, f, frame < 2);
            Render();
            std::vector<std::uint16_t> expected = Pixels(Background);
            auto put = [&](int x, int y, std::uint16_t p) {
                if (p != key && x >= 0 && x < 640 && y >= 0 && y < 480) expected[y * 640 + x] = p;
            };
            for (int r = 0; r < 120; ++r) {
                for (int i = 0; i < 100; ++i) {
                    const std::uint16_t p = gnoll[(120 * (c[2] / 5) + r) * 500 + 100 * (c[2] % 5) + i];
                    put(c[1] == 1 ? c[0] + i : c[0] + 99 - i, 347 + r, p);
                }
            }
            for (int j = 0; j < 64 && frame < 2; ++j) {
                for (int i = 0; i < 64; ++i) {
                    const std::uint16_t p = fireball[(63 - j) * 384 + 64 * f[2] + i];
                    put(f[0] - 32 + i, f[1] - 32 + j, p);
                    put(639 - (f[0] - 32 + i), f[1] - 32 + j, p);
                }
            }
            std::vector<std::uint16_t> shown = Pixels(Primary);
            for (int y = 456; y < 480; ++y) std::copy_n(&expected[y * 640 + 296], 144, &shown[y * 640 + 296]);  // text
            const auto differ = std::mismatch(shown.begin(), shown.end(), expected.begin()).first - shown.begin();
            EXPECT_EQ(differ, 640 * 480) << "first wrong pixel at " << differ % 640 << "," << differ / 640;
        }
    }
}

}  // namespace
