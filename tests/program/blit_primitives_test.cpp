// The four primitives under the lost-surface and still-drawing policy, on the software DirectDraw.
#include <functional>

#include "display/blit_primitives.h"
#include "tests/program/display_fixture.h"

namespace {

using PrimitivesTest = StartedDisplay;

TEST_F(PrimitivesTest, PolicyForEveryPrimitive) {
    const struct {
        const char* name;
        const char* op;  // the guarded platform call
        std::function<std::int32_t(DisplayContext&)> run;
    } primitives[] = {
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
    for (const auto& primitive : primitives) {
        for (const auto& scenario : scenarios) {
            SCOPED_TRACE(std::string(primitive.name) + ": " + scenario.name);
            platform::ddraw::ClearFaults();
            for (std::size_t i = 0; i < scenario.answers.size(); ++i)
                InjectFault(primitive.op, static_cast<int>(i) + 1, scenario.answers[i]);
            if (scenario.restorationFails) InjectFault("Restore", 1, DDERR_GENERIC);
            const auto log = Logged([&] { EXPECT_EQ(primitive.run(*display_), scenario.result); });
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
    RECT r{0, 347, 640, 475};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = DDBLTFX_MIRRORUPDOWN;
    const auto blts = CallsOf(Logged([&] {
                                  EXPECT_EQ(BltRetry(display_->surfaces[BackBuffer], 0, 3,
                                                     display_->surfaces[Background], &r, DDBLT_WAIT | DDBLT_DDFX, &fx),
                                            1);
                              }),
                              "Blt");
    ASSERT_EQ(blts.size(), 3u);
    for (const auto& call : blts) {
        EXPECT_EQ(call.object, display_->surfaces[BackBuffer]);
        EXPECT_EQ(call.source, display_->surfaces[Background]);
        EXPECT_EQ(call.flags, DDBLT_WAIT | DDBLT_DDFX);
        EXPECT_EQ(call.fx, DDBLTFX_MIRRORUPDOWN);
        EXPECT_EQ(Rect4(call.dest), (std::vector<LONG>{0, 3, 640, 131}));
        EXPECT_EQ(Rect4(call.src), (std::vector<LONG>{0, 347, 640, 475}));
    }
}

// The screen's masks give the colour key (pure green) and the fill's conversion of a COLORREF.
TEST_F(PrimitivesTest, KeyAndFillFollowTheScreenFormat) {
    const struct {
        platform::PixelFormat format;
        std::vector<std::uint32_t> fields;  // masks, shifts, bits, losses: red, green, blue
        std::vector<std::pair<DWORD, std::uint16_t>> fills;
    } rows[] = {
        {platform::PixelFormat::Rgb565,
         {0xF800, 0x07E0, 0x001F, 11, 5, 0, 5, 6, 5, 3, 2, 3},
         {{0x0000FF00, 0x07E0},
          {0x000000FF, 0xF800},
          {0x00FF0000, 0x001F},
          {0x00808080, 0x8410},
          {0x00FFFFFF, 0xFFFF},
          {0xFF00FF00, 0x07E0}}},
        {platform::PixelFormat::Rgb555,
         {0x7C00, 0x03E0, 0x001F, 10, 5, 0, 5, 5, 5, 3, 3, 3},
         {{0x0000FF00, 0x03E0}, {0x000000FF, 0x7C00}, {0x00FFFFFF, 0x7FFF}, {0xFF00FF00, 0x03E0}}},
    };
    for (const auto& row : rows) {
        StopDisplay();
        SetOptions(row.format, 0);
        StartDisplay();
        const DisplayContext& d = *display_;
        EXPECT_EQ((std::vector<std::uint32_t>{d.redMask, d.greenMask, d.blueMask, std::uint32_t(d.redShift),
                                              std::uint32_t(d.greenShift), std::uint32_t(d.blueShift),
                                              std::uint32_t(d.redBits), std::uint32_t(d.greenBits),
                                              std::uint32_t(d.blueBits), std::uint32_t(d.redLoss),
                                              std::uint32_t(d.greenLoss), std::uint32_t(d.blueLoss)}),
                  row.fields);
        EXPECT_EQ(std::make_pair(d.colorKeyLow, d.colorKeyHigh),
                  std::make_pair(DWORD(row.fields[1]), DWORD(row.fields[1])));
        for (const auto& [color, pixel] : row.fills) {
            SCOPED_TRACE(color);
            const auto blts = CallsOf(Logged([&] { ASSERT_EQ(display_->FillSurface(FxSurface, color), 1); }), "Blt");
            const std::vector<std::uint16_t> pixels = Pixels(FxSurface);
            ASSERT_EQ(pixels.size(), 128u * 128u);
            EXPECT_EQ(std::count(pixels.begin(), pixels.end(), pixel), 128 * 128);
            ASSERT_EQ(blts.size(), 1u);
            EXPECT_EQ(blts[0].flags, DDBLT_COLORFILL | DDBLT_WAIT);
            EXPECT_EQ(blts[0].source, nullptr);
        }
    }
}

// Slots outside the table and empty ones make no call, for fills and for text alike.
TEST_F(PrimitivesTest, SlotsOutsideTheTableOrEmptyMakeNoCall) {
    IDirectDrawSurface* pointer2 = display_->surfaces[Pointer2];
    display_->surfaces[Pointer2] = nullptr;
    EXPECT_TRUE(Logged([&] {
                    for (std::int32_t slot : {9, -1, static_cast<int>(Pointer2)}) {
                        EXPECT_EQ(display_->FillSurface(slot, 0x0000FF00), 0) << slot;
                        EXPECT_EQ(display_->DrawSurfaceText(slot, "x", 0, 0, 0xFF), 0) << slot;
                    }
                }).empty());
    display_->surfaces[Pointer2] = pointer2;
}

}  // namespace
