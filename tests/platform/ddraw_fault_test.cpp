// The test controls of the software DirectDraw: fault injection on every operation it names (the
// program's own calls are swept elsewhere; these are the ones it never fails) and the call log.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

TEST_F(DirectDrawTest, EveryNamedOperationCanFailOnItsNthCallForTimesCalls) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* primary = MakeChain(dd, &back);
    IDirectDrawSurface* a = MakeSurface(dd, 32, 32);
    IDirectDrawSurface* b = MakeSurface(dd, 32, 32);
    DDSURFACEDESC desc = SurfaceRequest(8, 8, 0);
    HDC dc = nullptr;
    const std::pair<const char*, std::function<HRESULT()>> operations[] = {
        {"Blt", [&] { return b->Blt(nullptr, a, nullptr, 0, nullptr); }},
        {"BltFast", [&] { return b->BltFast(0, 0, a, nullptr, 0); }},
        {"Flip", [&] { return primary->Flip(nullptr, DDFLIP_WAIT); }},
        {"GetDC", [&] { return b->GetDC(&dc); }},
        {"ReleaseDC", [&] { return b->ReleaseDC(dc); }},  // the first call really gives the context back
        {"Restore", [&] { return b->Restore(); }},
        {"CreateSurface", [&] { return dd->CreateSurface(&desc, nullptr, nullptr); }},
        {"SetCooperativeLevel", [&] { return dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL); }},
        {"SetDisplayMode", [&] { return dd->SetDisplayMode(640, 480, 16); }},
        {"DirectDrawCreate", [&] { return DirectDrawCreate(nullptr, nullptr, nullptr); }},
        {"IsLost", [&] { return a->IsLost(); }},
    };
    constexpr HRESULT kInjected = MAKE_DDHRESULT(999);
    for (const auto& [op, call] : operations) {
        platform::ddraw::InjectFault(op, 2, kInjected, 2);
        EXPECT_NE(call(), kInjected) << op << ": counted from the next call";
        EXPECT_EQ(call(), kInjected) << op;
        EXPECT_EQ(call(), kInjected) << op;
        EXPECT_NE(call(), kInjected) << op << ": only twice";
    }
    platform::ddraw::InjectFault("BltFast", 1, kInjected);
    platform::ddraw::ClearFaults();
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK) << "cleared";
}

TEST_F(DirectDrawTest, CallLogRecordsCallsWhileOn) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* a = MakeSurface(dd, 32, 32);
    IDirectDrawSurface* b = MakeSurface(dd, 64, 64);
    SetKey(a, 0x07E0, 0x07E0);
    platform::ddraw::StartCallLog();
    RECT dest{10, 20, 74, 84}, src{0, 0, 64, 64}, small{0, 0, 32, 32};
    DDBLTFX fx = Fx(DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(b->Blt(&dest, a, &src, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(b->BltFast(7, 9, a, &small, DDBLTFAST_SRCCOLORKEY), DD_OK);
    platform::ddraw::StopCallLog();
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);  // not logged

    const auto log = platform::ddraw::CallLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ((std::pair{log[0].op, log[0].object}), (std::pair<std::string, const void*>{"Blt", b}));
    EXPECT_EQ(log[0].source, a);
    EXPECT_EQ(log[0].dest.bottom, 84);
    EXPECT_EQ(log[0].flags, DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX);
    EXPECT_EQ(log[0].fx, DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(log[0].result, DDERR_INVALIDRECT);
    EXPECT_EQ(log[1].op, "BltFast");
    EXPECT_EQ((std::pair{log[1].x, log[1].y}), (std::pair<DWORD, DWORD>{7, 9}));
    EXPECT_EQ(log[1].flags, DDBLTFAST_SRCCOLORKEY);
    platform::ddraw::StartCallLog();
    EXPECT_TRUE(platform::ddraw::CallLog().empty()) << "a new log starts empty";
    platform::ddraw::StopCallLog();
}

}  // namespace
