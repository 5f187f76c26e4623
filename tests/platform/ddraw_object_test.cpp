// The software DirectDraw objects: creation and reference counts, cooperative level, display
// mode, capabilities, record sizes, pixel formats and surface requests; and its test controls.
// The program tests fail every call a start-up makes in turn and read the call log; here is what
// they never do: count several calls, fail IsLost, clear faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;
using platform::PixelFormat;

TEST_F(DirectDrawTest, CreateAndReleaseCountObjects) {
    const int before = platform::ddraw::LiveObjectCount();
    IDirectDraw *first = nullptr, *second = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(DirectDrawCreate(nullptr, &second, nullptr), DD_OK);
    EXPECT_EQ(first->AddRef(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(first->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before + 3);
    EXPECT_EQ(palette->Release(), 0u);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before);
    IDirectDraw* refused = reinterpret_cast<IDirectDraw*>(1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &refused, reinterpret_cast<IUnknown*>(8)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(refused, nullptr);
}

// One display mode: a mode wrong in any one of width, height and depth is refused.
TEST_F(DirectDrawTest, CooperativeLevelAndDisplayMode) {
    IDirectDraw* dd = MakeDirectDraw();
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL | DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    for (auto [w, h, bpp, expected] :
         {std::tuple{640u, 480u, 16u, DD_OK}, std::tuple{800u, 480u, 16u, DDERR_INVALIDMODE},
          std::tuple{640u, 600u, 16u, DDERR_INVALIDMODE}, std::tuple{640u, 480u, 32u, DDERR_INVALIDMODE}})
        EXPECT_EQ(dd->SetDisplayMode(w, h, bpp), expected) << w << "x" << h << "x" << bpp;
}

// Records of the wrong size are refused; GetCaps clears what it does not fill.
TEST_F(DirectDrawTest, RecordSizesAreCheckedAndCapsReported) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565, 2048);
    DDCAPS driver{}, hel{};
    driver.dwSize = sizeof driver - 4, hel.dwSize = sizeof hel;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    DDSURFACEDESC desc = SurfaceRequest(32, 32, DDSCAPS_SYSTEMMEMORY);
    desc.dwSize = 107;
    IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
    surface = MakeSurface(dd, 10, 32, DDSCAPS_VIDEOMEMORY);
    desc.dwSize = 109;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DDERR_INVALIDPARAMS);
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.lPitch, 20) << "bytes";
    DDPIXELFORMAT format{};
    format.dwSize = 31;
    EXPECT_EQ(surface->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
    EXPECT_EQ(format.dwRBitMask, 0u);

    std::memset(&driver, 0xAB, sizeof driver);
    std::memset(&hel, 0xAB, sizeof hel);
    driver.dwSize = hel.dwSize = 316;
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    EXPECT_EQ(hel.dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN);
    EXPECT_EQ(driver.dwReserved6, 0u) << "the rest of the record is cleared";
    EXPECT_EQ(driver.dwVidMemFree, 2048u * 1024 - 10 * 32 * 2);
}

TEST_F(DirectDrawTest, SurfaceRequestsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb555);
    DDSURFACEDESC ours = SurfaceRequest(8, 8, 0), theirs = ours;  // a request naming a pixel format must name ours
    ours.dwFlags = theirs.dwFlags |= DDSD_PIXELFORMAT;
    ours.ddpfPixelFormat.dwSize = theirs.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    ASSERT_EQ(MakeSurface(dd, 4, 4)->GetPixelFormat(&ours.ddpfPixelFormat), DD_OK);
    theirs.ddpfPixelFormat = ours.ddpfPixelFormat;
    theirs.ddpfPixelFormat.dwRBitMask = 0xF800;
    const std::pair<DDSURFACEDESC, HRESULT> cases[] = {
        {SurfaceRequest(8, 0, 0), DDERR_INVALIDPARAMS},
        {SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY), DDERR_INVALIDCAPS},
        {SurfaceRequest(8, 8, DDSCAPS_FLIP | DDSCAPS_COMPLEX), DDERR_INVALIDCAPS},
        {PrimaryRequest(), DDERR_NOCOOPERATIVELEVELSET},
        {SurfaceRequest(16385, 1, 0), DDERR_INVALIDPARAMS},
        {SurfaceRequest(1, 16385, 0), DDERR_INVALIDPARAMS},
        {SurfaceRequest(16384, 1, DDSCAPS_SYSTEMMEMORY), DD_OK},
        {SurfaceRequest(1, 16384, DDSCAPS_SYSTEMMEMORY), DD_OK},
        {theirs, DDERR_INVALIDPIXELFORMAT},
        {ours, DD_OK},
    };
    for (const auto& [desc, expected] : cases) {
        HRESULT result;
        EXPECT_EQ(MakeSurface(dd, desc, &result) != nullptr, expected == DD_OK);
        EXPECT_EQ(result, expected) << "caps " << desc.ddsCaps.dwCaps;
    }
    // A colour key given at creation.
    DDSURFACEDESC keyed = SurfaceRequest(4, 4, 0);
    keyed.dwFlags |= DDSD_CKSRCBLT;
    keyed.ddckCKSrcBlt = DDCOLORKEY{0x03E0, 0x03E0};
    IDirectDrawSurface* withKey = MakeSurface(dd, keyed);
    ASSERT_NE(withKey, nullptr);
    EXPECT_EQ(MakeSurface(dd, 4, 4)->BltFast(0, 0, withKey, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
}

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

}  // namespace
