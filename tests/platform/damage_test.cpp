// Damage: every pixel a flip changes lies in the damage it hands the host, a small change is a small damage, and a
// presenter's image brought forward by the damage equals the frame written whole. Planted faults must fail.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "ddraw_test_support.h"
#include "host/host.h"
#include "host/sdl/damage_ring.h"
#include "host/sdl/window_pixels.h"
#include "planted_faults.h"
#include "windows.h"

namespace {

using platform::host::Damage;
using namespace platform::planted;

// Keeps a copy of every frame shown and its damage.
class DamageHost final : public platform::host::Host {
public:
    struct Shown {
        std::vector<std::uint16_t> pixels;
        Damage damage;
        bool whole;
    };
    std::vector<Shown> shown;

    bool Offscreen() const override { return true; }
    bool CreateMainWindow(const std::string&, bool, bool) override { return true; }
    void ShowMainWindow(bool) override {}
    void FocusMainWindow() override {}
    void DestroyMainWindow() override {}
    void PollEvents(std::vector<platform::host::HostEvent>&) override {}
    bool ShowMessageBox(const std::string&, const std::string&, bool) override { return true; }
    void SetCursorVisible(bool) override {}
    void DesktopSize(int& width, int& height) override { width = 640, height = 480; }
    bool WantsDamage() const override { return true; }
    Written ShowFrame(const platform::FrameView& frame, std::uint64_t, bool, bool) override {
        Shown copy{std::vector<std::uint16_t>(frame.pixels, frame.pixels + frame.width * frame.height), {}, true};
        if (frame.damage != nullptr) copy.damage = *frame.damage, copy.whole = false;
        shown.push_back(std::move(copy));
        return {};
    }
};

bool Inside(const Damage& damage, int x, int y) {
    for (const pixman_box32_t& b : damage.Boxes())
        if (x >= b.x1 && x < b.x2 && y >= b.y1 && y < b.y2) return true;
    return false;
}

class FlipDamageTest : public ddraw_test::DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        auto host = std::make_unique<DamageHost>();
        host_ = host.get();
        platform::host::InstallHost(std::move(host));
    }
    void TearDown() override {
        PlantBlitFault(BlitFault::None);
        DirectDrawTest::TearDown();
        platform::host::InstallHost(nullptr);
    }
    // Pixels that differ from the frame before but lie outside the frame's damage, from frame 2 on.
    int Missed() const {
        int missed = 0;
        for (std::size_t n = 1; n < host_->shown.size(); ++n) {
            const DamageHost::Shown &now = host_->shown[n], &before = host_->shown[n - 1];
            for (int i = 0; i < 640 * 480; ++i)
                missed += !now.whole && now.pixels[i] != before.pixels[i] && !Inside(now.damage, i % 640, i / 640);
        }
        return missed;
    }
    DamageHost* host_ = nullptr;
};

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// Every way of writing into the chain, at random: fills, keyed, mirrored and stretched blits, a write Lock, text
// through GetDC, and writes into the front buffer between flips.
TEST_F(FlipDamageTest, EveryChangeLiesInTheDamageAndPlantedFaultsMissSome) {
    const struct {
        BlitFault fault;
        bool misses;
    } rows[] = {
        {BlitFault::None, false}, {BlitFault::BltDamageNotRecorded, true}, {BlitFault::FlipDamageForgotten, true}};
    for (const auto& row : rows) {
        host_->shown.clear();
        PlantBlitFault(row.fault);
        IDirectDraw* dd = MakeDirectDraw();
        IDirectDrawSurface* back = nullptr;
        IDirectDrawSurface* primary = MakeChain(dd, &back);
        IDirectDrawSurface* sprite = MakeSurface(dd, 64, 64);
        ASSERT_TRUE(primary && back && sprite);
        SetKey(sprite, 0, 0);
        std::mt19937 random(3);
        auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
        for (int frame = 0; frame < 40; ++frame) {
            ASSERT_EQ(Fill(sprite, static_cast<std::uint16_t>(random())), DD_OK);
            RECT hole = At(pick(48), pick(48), 16, 16);
            DDBLTFX black = ddraw_test::Fx(0, 0);
            sprite->Blt(&hole, nullptr, nullptr, DDBLT_COLORFILL, &black);
            for (int op = 0; op < 4; ++op) {
                IDirectDrawSurface* target = pick(8) == 0 ? primary : back;
                RECT dest = At(pick(560), pick(400), 1 + pick(80), 1 + pick(80));
                DDBLTFX fx = ddraw_test::Fx(DDBLTFX_MIRRORLEFTRIGHT, static_cast<DWORD>(random()));
                DDSURFACEDESC desc{};
                desc.dwSize = sizeof desc;
                HDC dc = nullptr;
                switch (pick(5)) {
                    case 0: target->Blt(&dest, nullptr, nullptr, DDBLT_COLORFILL, &fx); break;
                    case 1: target->BltFast(dest.left, dest.top, sprite, nullptr, DDBLTFAST_SRCCOLORKEY); break;
                    case 2: target->Blt(&dest, sprite, nullptr, DDBLT_DDFX | DDBLT_KEYSRC, &fx); break;
                    case 3:
                        ASSERT_EQ(target->Lock(&dest, &desc, DDLOCK_WRITEONLY, nullptr), DD_OK);
                        static_cast<std::uint16_t*>(desc.lpSurface)[0] ^= 0xFFFF;
                        target->Unlock(nullptr);
                        break;
                    default:
                        ASSERT_EQ(target->GetDC(&dc), DD_OK);
                        SetTextColor(dc, static_cast<COLORREF>(random()) & 0xFFFFFF);
                        SetBkMode(dc, pick(2) == 0 ? TRANSPARENT : OPAQUE);
                        TextOutA(dc, dest.left, dest.top, frame % 2 == 0 ? "58 100" : "61 Wg", 5);
                        target->ReleaseDC(dc);
                }
            }
            ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        }
        EXPECT_EQ(Missed() > 0, row.misses) << static_cast<int>(row.fault) << ": " << Missed() << " pixels missed";
    }
}

// A small sprite moving over a still picture damages its old and new places, not the screen.
TEST_F(FlipDamageTest, ASmallChangeIsASmallDamage) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* primary = MakeChain(dd, &back);
    ASSERT_TRUE(primary && back);
    for (int frame = 0; frame < 12; ++frame) {
        if (frame < 2) {  // the whole picture, once per buffer
            ASSERT_EQ(Fill(back, 0x1234), DD_OK);
            ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
            continue;
        }
        // Erase the sprite drawn two frames ago in this buffer, draw it anew.
        RECT old = At(10 * (frame - 2), 100, 20, 20), now = At(10 * frame, 100, 20, 20);
        DDBLTFX background = ddraw_test::Fx(0, 0x1234), sprite = ddraw_test::Fx(0, 0xF800);
        back->Blt(&old, nullptr, nullptr, DDBLT_COLORFILL, &background);
        back->Blt(&now, nullptr, nullptr, DDBLT_COLORFILL, &sprite);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    }
    EXPECT_EQ(Missed(), 0);
    EXPECT_FALSE(host_->shown.back().whole);
    // Of all that was written, only the sprite's old and new places differ: 30 x 20.
    EXPECT_EQ(host_->shown.back().damage.Area(), 30u * 20u);
}

// An image holding an earlier frame, brought forward by DamageRing, equals the latest written whole, unscaled or scaled
// (an unwidened rectangle misses an edge, a ring one short the oldest frame).
TEST(PresenterDamage, AnImageBroughtForwardEqualsTheFrameWrittenWhole) {
    const platform::host::WindowPixelFormat k565{2, 0xF800, 0x07E0, 0x001F, 0};
    const platform::host::WindowPixelFormat k888{4, 0xFF0000, 0x00FF00, 0x0000FF, 0};
    const struct {
        platform::host::WindowPixelFormat format;
        int width, height;
        PresenterFault fault;
        bool differs;
    } rows[] = {{k565, 640, 480, PresenterFault::None, false},
                {k888, 1280, 960, PresenterFault::None, false},
                {k888, 667, 500, PresenterFault::None, false},
                {k565, 1024, 768, PresenterFault::None, false},
                {k888, 1024, 768, PresenterFault::ScaledRectNotWidened, true},
                {k888, 640, 480, PresenterFault::DamageRingOneShort, true}};
    for (const auto& row : rows) {
        PlantPresenterFault(row.fault);
        std::mt19937 random(5);
        std::vector<std::uint16_t> frame(640 * 480);
        for (auto& p : frame) p = static_cast<std::uint16_t>(random());
        const platform::FrameView view{frame.data(), 640, 480, 640, platform::PixelFormat::Rgb565};
        const int bytes = row.width * row.height * row.format.bytesPerPixel;
        std::vector<unsigned char> images[2] = {std::vector<unsigned char>(bytes), std::vector<unsigned char>(bytes)};
        std::vector<unsigned char> whole(bytes);
        platform::host::FrameWriter writer(row.format);
        platform::host::DamageRing ring(2);
        std::uint64_t holds[2] = {0, 0};
        bool differs = false;
        for (std::uint64_t n = 1; n <= 12; ++n) {
            Damage damage, changed, picture;
            for (int r = 0; r < 3; ++r) {  // a few rectangles of the frame change
                const int x = static_cast<int>(random() % 600), y = static_cast<int>(random() % 440);
                const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 40);
                for (int row2 = y; row2 < y + h; ++row2)
                    for (int col = x; col < x + w; ++col)
                        frame[row2 * 640 + col] = static_cast<std::uint16_t>(random());
                damage.Add(x, y, x + w, y + h);
            }
            if (n == 7) for (auto& p : frame) p = static_cast<std::uint16_t>(random());  // a frame of unknown damage
            ring.Push(n, n == 1 || n == 7 ? nullptr : &damage, 640, 480);
            auto& image = images[n % 2];
            ring.Since(holds[n % 2], n, changed);
            platform::host::MapToPicture(changed, 640, 480, row.width, row.height, picture);
            const int pitch = row.width * row.format.bytesPerPixel;
            writer.Write(view, {image.data(), row.width, row.height, pitch}, picture);
            holds[n % 2] = n;
            writer.Write(view, {whole.data(), row.width, row.height, pitch});
            differs = differs || image != whole;
        }
        EXPECT_EQ(differs, row.differs) << row.width << "x" << row.height << " fault " << static_cast<int>(row.fault);
    }
    PlantPresenterFault(PresenterFault::None);
}

TEST(PresenterDamage, TheRingGivesTheUnionSinceAKnownFrameElseEverything) {
    platform::host::DamageRing ring(3);
    Damage d;
    for (std::uint64_t n = 1; n <= 5; ++n) {
        d.Clear();
        d.Add(static_cast<int>(n) * 10, 0, static_cast<int>(n) * 10 + 5, 5);  // 25 pixels each
        ring.Push(n, &d, 100, 100);
    }
    const struct {
        std::uint64_t held;
        std::uint64_t area;
    } rows[] = {{4, 25}, {2, 75}, {1, 100 * 100}, {0, 100 * 100}};
    for (const auto& row : rows) {
        ring.Since(row.held, 5, d);
        EXPECT_EQ(d.Area(), row.area) << "held " << row.held;
    }
    ring.Push(6, &d, 50, 50);  // a frame of another size: nothing before it counts
    ring.Since(5, 6, d);
    EXPECT_EQ(d.Area(), 50u * 50u);
    d.Clear();
    for (int i = 0; i < Damage::kMaxRectangles + 1; ++i) d.Record(3 * i, 3 * i, 3 * i + 1, 3 * i + 1);
    EXPECT_EQ(d.Boxes().size(), 1u);  // a record past its limit is its bounding box
}

}  // namespace
