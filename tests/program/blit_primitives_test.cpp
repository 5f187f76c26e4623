// The four primitives under the lost-surface and still-drawing policy, on the software DirectDraw.
#include <functional>

#include "display/blit_primitives.h"
#include "tests/program/display_fixture.h"

namespace {

using platform::ddraw::InjectFault;

class PrimitivesTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        StartDisplay();
    }
    // Restorations are counted by the Restore calls that reach the primary, which each one makes first.
    int Restorations(const std::vector<platform::ddraw::Call>& log) const {
        int count = 0;
        for (const auto& call : CallsOf(log, "Restore")) count += call.object == display_->surfaces[Primary];
        return count;
    }
};

struct Primitive {
    const char* name;
    const char* op;  // the guarded platform call
    std::function<std::int32_t(DisplayContext&)> run;
};

std::vector<Primitive> Primitives() {
    return {
        {"BltFastRetry", "BltFast",
         [](DisplayContext& d) {
             RECT r{0, 0, 64, 64};
             return BltFastRetry(d.surfaces[BackBuffer], 10, 20, d.surfaces[Background], &r, DDBLTFAST_WAIT);
         }},
        {"BltRetry", "Blt",
         [](DisplayContext& d) {
             RECT r{0, 0, 64, 64};
             return BltRetry(d.surfaces[BackBuffer], 10, 20, d.surfaces[Background], &r, DDBLT_WAIT, nullptr);
         }},
        {"FillSurface", "Blt", [](DisplayContext& d) { return d.FillSurface(FxSurface, 0x0000FF00); }},
        {"FlipPages", "Flip", [](DisplayContext& d) { return d.FlipPages(); }},
    };
}

TEST_F(PrimitivesTest, PolicyForEveryPrimitive) {
    const struct {
        const char* name;
        std::vector<HRESULT> answers;  // injected in order from the first call
        bool restorationFails;
        std::int32_t result;
        std::size_t calls;
        int restorations;
    } scenarios[] = {
        {"success at once", {}, false, 1, 1, 0},
        {"still drawing twice, then success", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING}, false, 1, 3, 0},
        {"lost, restoration succeeds", {DDERR_SURFACELOST}, false, 0, 1, 1},
        {"lost, restoration fails", {DDERR_SURFACELOST}, true, 0, 1, 1},
        {"another error", {DDERR_INVALIDPARAMS}, false, 0, 1, 0},
        {"still drawing, then another error", {DDERR_WASSTILLDRAWING, DDERR_GENERIC}, false, 0, 2, 0},
    };
    for (const Primitive& primitive : Primitives()) {
        for (const auto& scenario : scenarios) {
            SCOPED_TRACE(std::string(primitive.name) + ": " + scenario.name);
            platform::ddraw::ClearFaults();
            for (std::size_t i = 0; i < scenario.answers.size(); ++i) {
                InjectFault(primitive.op, static_cast<int>(i) + 1, scenario.answers[i]);
            }
            if (scenario.restorationFails) InjectFault("Restore", 1, DDERR_GENERIC);
            platform::ddraw::StartCallLog();
            EXPECT_EQ(primitive.run(*display_), scenario.result);
            const auto log = platform::ddraw::CallLog();
            platform::ddraw::StopCallLog();
            // The guarded call is the first of its kind; a restoration's own blits come after it.
            std::size_t guarded = 0;
            for (const auto& call : log) {
                if (call.op == "Restore") break;
                guarded += call.op == primitive.op;
            }
            EXPECT_EQ(guarded, scenario.calls);
            EXPECT_EQ(Restorations(log), scenario.restorations);
        }
    }
}

// A repeated call is the same call; the destination is the source's size placed at the point.
TEST_F(PrimitivesTest, RepeatedCallsAreIdentical) {
    InjectFault("Blt", 1, DDERR_WASSTILLDRAWING, 2);
    platform::ddraw::StartCallLog();
    RECT r{0, 347, 640, 475};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = DDBLTFX_MIRRORUPDOWN;
    EXPECT_EQ(BltRetry(display_->surfaces[BackBuffer], 0, 3, display_->surfaces[Background], &r,
                       DDBLT_WAIT | DDBLT_DDFX, &fx),
              1);
    const auto blts = CallsOf(platform::ddraw::CallLog(), "Blt");
    ASSERT_EQ(blts.size(), 3u);
    for (const auto& call : blts) {
        EXPECT_EQ(call.object, display_->surfaces[BackBuffer]);
        EXPECT_EQ(call.source, display_->surfaces[Background]);
        EXPECT_EQ(call.flags, DDBLT_WAIT | DDBLT_DDFX);
        EXPECT_EQ(call.fx, DDBLTFX_MIRRORUPDOWN);
        EXPECT_EQ((std::vector<LONG>{call.dest.left, call.dest.top, call.dest.right, call.dest.bottom}),
                  (std::vector<LONG>{0, 3, 640, 131}));
        EXPECT_EQ((std::vector<LONG>{call.src.left, call.src.top, call.src.right, call.src.bottom}),
                  (std::vector<LONG>{0, 347, 640, 475}));
    }
}

TEST_F(PrimitivesTest, FillConvertsTheColourToTheScreenFormat) {
    const struct {
        platform::PixelFormat format;
        DWORD color;
        std::uint16_t pixel;
    } rows[] = {
        {platform::PixelFormat::Rgb565, 0x0000FF00, 0x07E0}, {platform::PixelFormat::Rgb565, 0x000000FF, 0xF800},
        {platform::PixelFormat::Rgb565, 0x00FF0000, 0x001F}, {platform::PixelFormat::Rgb565, 0x00808080, 0x8410},
        {platform::PixelFormat::Rgb565, 0x00FFFFFF, 0xFFFF}, {platform::PixelFormat::Rgb565, 0xFF00FF00, 0x07E0},
        {platform::PixelFormat::Rgb555, 0x0000FF00, 0x03E0}, {platform::PixelFormat::Rgb555, 0x000000FF, 0x7C00},
        {platform::PixelFormat::Rgb555, 0x00FFFFFF, 0x7FFF}, {platform::PixelFormat::Rgb555, 0xFF00FF00, 0x03E0},
    };
    platform::PixelFormat started = platform::PixelFormat::Rgb565;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.color);
        if (row.format != started) {
            display_->ReleaseAll();
            delete display_;
            display_ = nullptr;
            SetPixelFormat(row.format);
            StartDisplay();
            started = row.format;
        }
        platform::ddraw::StartCallLog();
        ASSERT_EQ(display_->FillSurface(FxSurface, row.color), 1);
        const std::vector<std::uint16_t> pixels = Pixels(display_->surfaces[FxSurface]);
        ASSERT_EQ(pixels.size(), 128u * 128u);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), row.pixel), 128 * 128);
        const auto blts = CallsOf(platform::ddraw::CallLog(), "Blt");
        ASSERT_EQ(blts.size(), 1u);
        EXPECT_EQ(blts[0].flags, DDBLT_COLORFILL | DDBLT_WAIT);
        EXPECT_EQ(blts[0].source, nullptr);
        platform::ddraw::StopCallLog();
    }
}

TEST_F(PrimitivesTest, FillRefusesSlotsOutsideTheTableAndEmptySlots) {
    IDirectDrawSurface* pointer2 = display_->surfaces[Pointer2];
    display_->surfaces[Pointer2] = nullptr;
    platform::ddraw::StartCallLog();
    EXPECT_EQ(display_->FillSurface(9, 0x0000FF00), 0);
    EXPECT_EQ(display_->FillSurface(-1, 0x0000FF00), 0);
    EXPECT_EQ(display_->FillSurface(Pointer2, 0x0000FF00), 0);
    EXPECT_TRUE(platform::ddraw::CallLog().empty());
    display_->surfaces[Pointer2] = pointer2;
}

}  // namespace
