// The controls of the software DirectDraw. The program tests fail every call a start-up makes in
// turn; here what they never do: counting several calls, IsLost, clearing, and the call log.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

TEST_F(DirectDrawTest, AFaultCountsFromNowFailsTimesCallsAndDoesNothingElse) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* a = MakeSurface(dd, 32, 32);
    constexpr HRESULT kInjected = MAKE_DDHRESULT(999);
    platform::ddraw::InjectFault("IsLost", 2, kInjected, 2);
    for (HRESULT expected : {DD_OK, kInjected, kInjected, DD_OK}) EXPECT_EQ(a->IsLost(), expected);
    Fill(a, 1);
    platform::ddraw::InjectFault("Blt", 1, DDERR_WASSTILLDRAWING);
    DDBLTFX fx = Fx(0, 2);
    EXPECT_EQ(a->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(PixelAt(a, 31, 31), 1) << "an injected call has no effect";
    platform::ddraw::InjectFault("Blt", 1, kInjected);
    platform::ddraw::ClearFaults();
    EXPECT_EQ(a->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK) << "cleared";
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
