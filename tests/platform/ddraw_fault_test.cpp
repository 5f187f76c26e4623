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
        DDBLTFX fx = Fx(0, value);
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
    platform::ddraw::InjectFault("BltFast", 1, MAKE_DDHRESULT(1));
    platform::ddraw::InjectFault("BltFast", 2, MAKE_DDHRESULT(2));
    EXPECT_EQ(FillA(1), DD_OK);
    EXPECT_EQ(FillA(2), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(FillA(3), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(PixelAt(a, 5, 5), 1) << "an injected call has no effect";
    EXPECT_EQ(FillA(4), DD_OK);
    EXPECT_EQ(PixelAt(a, 5, 5), 4);
    // Faults count their calls independently.
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), MAKE_DDHRESULT(1));
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), MAKE_DDHRESULT(2));
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);
    platform::ddraw::InjectFault("Flip", 1, MAKE_DDHRESULT(3));
    platform::ddraw::ClearFaults();
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK) << "cleared";
}

TEST_F(FaultTest, InjectedFailuresHandOutAndChangeNothing) {
    const int objects = platform::ddraw::LiveObjectCount();
    const std::uint32_t memory = platform::ddraw::VideoMemoryUsedBytes();
    platform::ddraw::InjectFault("CreateSurface", 1, DDERR_OUTOFVIDEOMEMORY);
    HRESULT result;
    EXPECT_EQ(MakeSurface(dd, SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY), &result), nullptr);
    EXPECT_EQ(result, DDERR_OUTOFVIDEOMEMORY);
    platform::ddraw::InjectFault("GetAttachedSurface", 1, DDERR_NOTFOUND);
    IDirectDrawSurface* attached = back;
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &attached), DDERR_NOTFOUND);
    EXPECT_EQ(attached, nullptr);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), objects);
    EXPECT_EQ(platform::ddraw::VideoMemoryUsedBytes(), memory);

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
    DDSURFACEDESC desc = SurfaceRequest(8, 8, 0);
    HDC dc = nullptr;

    const std::pair<const char*, std::function<HRESULT()>> operations[] = {
        {"Blt", [&] { return b->Blt(nullptr, a, nullptr, 0, nullptr); }},
        {"BltFast", [&] { return b->BltFast(0, 0, a, nullptr, 0); }},
        {"Flip", [&] { return primary->Flip(nullptr, DDFLIP_WAIT); }},
        {"GetDC", [&] { return b->GetDC(&dc); }},
        {"ReleaseDC", [&] { return b->ReleaseDC(dc); }},  // really releases the context on the second call
        {"Restore", [&] { return b->Restore(); }},
        {"CreateSurface", [&] { return dd->CreateSurface(&desc, nullptr, nullptr); }},
        {"SetCooperativeLevel", [&] { return dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL); }},
        {"SetDisplayMode", [&] { return dd->SetDisplayMode(640, 480, 16); }},
        {"DirectDrawCreate", [&] { return DirectDrawCreate(nullptr, nullptr, nullptr); }},
        {"IsLost", [&] { return a->IsLost(); }},
    };
    for (const auto& [op, call] : operations) {
        platform::ddraw::InjectFault(op, 1, kInjected);
        EXPECT_EQ(call(), kInjected) << op;
        EXPECT_NE(call(), kInjected) << op << ": only once";
    }
}

TEST_F(FaultTest, CallLogRecordsCallsWhileOn) {
    platform::ddraw::StartCallLog();
    RECT dest{10, 20, 74, 84};
    RECT src{0, 0, 64, 64};
    DDBLTFX fx = Fx(DDBLTFX_MIRRORUPDOWN);
    RECT small{0, 0, 32, 32};
    EXPECT_EQ(back->Blt(&dest, a, &src, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(back->BltFast(7, 9, a, &small, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    platform::ddraw::StopCallLog();
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);  // not logged

    const auto log = platform::ddraw::CallLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].op, "Blt");
    EXPECT_EQ(log[0].source, a);
    EXPECT_EQ(log[0].dest.bottom, 84);
    EXPECT_EQ(log[0].flags, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX);
    EXPECT_EQ(log[0].fx, DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(log[0].result, DDERR_INVALIDRECT);
    EXPECT_EQ(log[1].op, "BltFast");
    EXPECT_EQ(log[1].y, 9u);
    EXPECT_EQ(log[1].flags, DDBLTFAST_SRCCOLORKEY);
    EXPECT_EQ(log[2].op, "Flip");
    EXPECT_EQ(log[2].object, primary);

    platform::ddraw::StartCallLog();
    EXPECT_TRUE(platform::ddraw::CallLog().empty()) << "a new log starts empty";
    platform::ddraw::StopCallLog();
}

}  // namespace
