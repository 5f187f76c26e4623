// Fault injection and the call log of the software DirectDraw.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

constexpr HRESULT kInjected = MAKE_DDHRESULT(999);

class FaultTest : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        dd = MakeDirectDraw();
        ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        primary = MakeSurface(dd, PrimaryRequest());
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
        a = MakeSurface(dd, 32, 32);
        b = MakeSurface(dd, 32, 32);
        SetKey(a, 0x07E0, 0x07E0);
    }

    HRESULT FillA(std::uint16_t value) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = value;
        return a->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    }

    IDirectDraw* dd = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* a = nullptr;
    IDirectDrawSurface* b = nullptr;
};

TEST_F(FaultTest, TheNthCallFailsForTimesCallsAndDoesNothing) {
    platform::ddraw::InjectFault("Blt", 2, DDERR_WASSTILLDRAWING, 2);
    EXPECT_EQ(FillA(1), DD_OK);
    EXPECT_EQ(FillA(2), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(FillA(3), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(PixelAt(a, 5, 5), 1) << "an injected call has no effect";
    EXPECT_EQ(FillA(4), DD_OK);
    EXPECT_EQ(PixelAt(a, 5, 5), 4);
    EXPECT_EQ(FillA(5), DD_OK);
}

TEST_F(FaultTest, FaultsCountTheirCallsIndependently) {
    platform::ddraw::InjectFault("BltFast", 1, MAKE_DDHRESULT(1));
    platform::ddraw::InjectFault("BltFast", 2, MAKE_DDHRESULT(2));
    platform::ddraw::InjectFault("Flip", 1, MAKE_DDHRESULT(3));
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), MAKE_DDHRESULT(1));
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), MAKE_DDHRESULT(2));
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);
    platform::ddraw::ClearFaults();
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK) << "cleared";
}

TEST_F(FaultTest, InjectedCreationsHandOutNothing) {
    const int objects = platform::ddraw::LiveObjectCount();
    const std::uint32_t memory = platform::ddraw::VideoMemoryUsedBytes();
    platform::ddraw::InjectFault("CreateSurface", 1, DDERR_OUTOFVIDEOMEMORY);
    HRESULT result;
    EXPECT_EQ(MakeSurface(dd, SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY), &result), nullptr);
    EXPECT_EQ(result, DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), objects);
    EXPECT_EQ(platform::ddraw::VideoMemoryUsedBytes(), memory);

    platform::ddraw::InjectFault("DirectDrawCreate", 1, DDERR_NODIRECTDRAWHW);
    IDirectDraw* refused = reinterpret_cast<IDirectDraw*>(1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &refused, nullptr), DDERR_NODIRECTDRAWHW);
    EXPECT_EQ(refused, nullptr);

    platform::ddraw::InjectFault("GetAttachedSurface", 1, DDERR_NOTFOUND);
    IDirectDrawSurface* attached = back;
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &attached), DDERR_NOTFOUND);
    EXPECT_EQ(attached, nullptr);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), objects);
}

TEST_F(FaultTest, AnInjectedFlipLeavesTheBuffersInPlace) {
    const auto frontBefore = Snapshot(primary);
    ASSERT_EQ(back->BltFast(0, 0, a, nullptr, 0), DD_OK);
    const auto backBefore = Snapshot(back);
    platform::ddraw::InjectFault("Flip", 1, DDERR_SURFACELOST);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(Snapshot(primary), frontBefore);
    EXPECT_EQ(Snapshot(back), backBefore);
    EXPECT_EQ(primary->IsLost(), DD_OK) << "injection does not lose anything";
}

// Every operation the controls name can be made to fail.
TEST_F(FaultTest, EveryNamedOperationCanFail) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    DDCAPS driver{};
    DDCAPS hel{};
    driver.dwSize = hel.dwSize = sizeof(DDCAPS);
    DDCOLORKEY key{0x07E0, 0x07E0};
    PALETTEENTRY entries[256] = {};
    HDC dc = nullptr;

    const std::pair<const char*, std::function<HRESULT()>> operations[] = {
        {"Blt", [&] { return b->Blt(nullptr, a, nullptr, 0, nullptr); }},
        {"BltFast", [&] { return b->BltFast(0, 0, a, nullptr, 0); }},
        {"Flip", [&] { return primary->Flip(nullptr, DDFLIP_WAIT); }},
        {"GetDC", [&] { return b->GetDC(&dc); }},
        {"ReleaseDC", [&] { return b->ReleaseDC(dc); }},
        {"Restore", [&] { return b->Restore(); }},
        {"CreateSurface", [&] { return dd->CreateSurface(&desc, nullptr, nullptr); }},
        {"GetAttachedSurface", [&] { return primary->GetAttachedSurface(nullptr, nullptr); }},
        {"GetPixelFormat", [&] { return b->GetPixelFormat(&format); }},
        {"GetSurfaceDesc", [&] { return b->GetSurfaceDesc(&desc); }},
        {"SetCooperativeLevel", [&] { return dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL); }},
        {"SetDisplayMode", [&] { return dd->SetDisplayMode(640, 480, 16); }},
        {"GetCaps", [&] { return dd->GetCaps(&driver, &hel); }},
        {"CreatePalette", [&] { return dd->CreatePalette(DDPCAPS_8BIT, entries, nullptr, nullptr); }},
        {"SetColorKey", [&] { return a->SetColorKey(DDCKEY_SRCBLT, &key); }},
        {"DirectDrawCreate", [&] { return DirectDrawCreate(nullptr, nullptr, nullptr); }},
        {"IsLost", [&] { return a->IsLost(); }},
    };
    for (const auto& [op, call] : operations) {
        platform::ddraw::InjectFault(op, 1, kInjected);
        EXPECT_EQ(call(), kInjected) << op;
        EXPECT_NE(call(), kInjected) << op << ": only once";
    }
    if (dc != nullptr) b->ReleaseDC(dc);
}

TEST_F(FaultTest, CallLogRecordsCallsWhileOn) {
    platform::ddraw::StartCallLog();
    RECT dest{10, 20, 74, 84};
    RECT src{0, 0, 64, 64};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = DDBLTFX_MIRRORUPDOWN;
    RECT small{0, 0, 32, 32};
    EXPECT_EQ(back->Blt(&dest, a, &src, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(back->BltFast(7, 9, a, &small, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY), DD_OK);
    platform::ddraw::InjectFault("Flip", 1, DDERR_SURFACELOST);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    platform::ddraw::StopCallLog();
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);

    const auto log = platform::ddraw::CallLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].op, "Blt");
    EXPECT_EQ(log[0].object, back);
    EXPECT_EQ(log[0].source, a);
    EXPECT_TRUE(log[0].hasDest && log[0].hasSrc);
    EXPECT_EQ(log[0].dest.left, 10);
    EXPECT_EQ(log[0].dest.bottom, 84);
    EXPECT_EQ(log[0].src.right, 64);
    EXPECT_EQ(log[0].flags, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX);
    EXPECT_EQ(log[0].fx, DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(log[0].result, DDERR_INVALIDRECT);
    EXPECT_EQ(log[1].op, "BltFast");
    EXPECT_EQ(log[1].x, 7u);
    EXPECT_EQ(log[1].y, 9u);
    EXPECT_FALSE(log[1].hasDest);
    EXPECT_EQ(log[1].flags, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
    EXPECT_EQ(log[2].op, "Flip");
    EXPECT_EQ(log[2].object, primary);
    EXPECT_EQ(log[2].flags, DDFLIP_WAIT);
    EXPECT_EQ(log[2].result, DDERR_SURFACELOST);

    platform::ddraw::StartCallLog();
    EXPECT_TRUE(platform::ddraw::CallLog().empty()) << "a new log starts empty";
    platform::ddraw::StopCallLog();
}

}  // namespace
