// The software DirectDraw objects: creation and reference counts, cooperative level, display
// mode, capabilities, record sizes, pixel formats and surface requests.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

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
    const std::tuple<DWORD, DWORD, DWORD, HRESULT> modes[] = {{640, 480, 16, DD_OK},
                                                              {800, 480, 16, DDERR_INVALIDMODE},
                                                              {640, 600, 16, DDERR_INVALIDMODE},
                                                              {640, 480, 32, DDERR_INVALIDMODE}};
    for (auto [w, h, bpp, expected] : modes)
        EXPECT_EQ(dd->SetDisplayMode(w, h, bpp), expected) << w << "x" << h << "x" << bpp;
}

// Records of the wrong size are refused; GetCaps clears what it does not fill.
TEST_F(DirectDrawTest, RecordSizesAreCheckedAndCapsReported) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565, 2048);
    DDCAPS driver{}, hel{};
    driver.dwSize = sizeof driver - 4;
    hel.dwSize = sizeof hel;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    DDSURFACEDESC desc = SurfaceRequest(32, 32, DDSCAPS_SYSTEMMEMORY);
    desc.dwSize = 107;
    IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
    surface = MakeSurface(dd, 32, 32, DDSCAPS_VIDEOMEMORY);
    desc.dwSize = 109;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DDERR_INVALIDPARAMS);
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
    EXPECT_EQ(driver.dwVidMemFree, 2048u * 1024 - 32 * 32 * 2);
}

TEST_F(DirectDrawTest, PixelFormatFollowsTheOptions) {
    for (auto [format, red] : {std::pair{PixelFormat::Rgb565, 0xF800u}, std::pair{PixelFormat::Rgb555, 0x7C00u}}) {
        IDirectDraw* dd = MakeDirectDraw(format);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(MakeSurface(dd, 10, 20)->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.lPitch, 20);  // bytes
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, red);
        EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, format == PixelFormat::Rgb565 ? 0x07E0u : 0x03E0u);

        // A request naming a pixel format must name ours.
        DDSURFACEDESC other = SurfaceRequest(8, 8, 0);
        other.dwFlags |= DDSD_PIXELFORMAT;
        other.ddpfPixelFormat = desc.ddpfPixelFormat;
        HRESULT result;
        EXPECT_NE(MakeSurface(dd, other, &result), nullptr);
        other.ddpfPixelFormat.dwRBitMask = red == 0xF800 ? 0x7C00 : 0xF800;
        EXPECT_EQ(MakeSurface(dd, other, &result), nullptr);
        EXPECT_EQ(result, DDERR_INVALIDPIXELFORMAT);
    }
}

TEST_F(DirectDrawTest, SurfaceRequestsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw();
    const std::pair<DDSURFACEDESC, HRESULT> cases[] = {
        {SurfaceRequest(8, 0, 0), DDERR_INVALIDPARAMS},
        {SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY), DDERR_INVALIDCAPS},
        {SurfaceRequest(8, 8, DDSCAPS_FLIP | DDSCAPS_COMPLEX), DDERR_INVALIDCAPS},
        {PrimaryRequest(), DDERR_NOCOOPERATIVELEVELSET},
    };
    for (const auto& [desc, expected] : cases) {
        HRESULT result;
        EXPECT_EQ(MakeSurface(dd, desc, &result), nullptr);
        EXPECT_EQ(result, expected) << "caps " << desc.ddsCaps.dwCaps;
    }
    // A colour key given at creation.
    DDSURFACEDESC keyed = SurfaceRequest(4, 4, 0);
    keyed.dwFlags |= DDSD_CKSRCBLT;
    keyed.ddckCKSrcBlt = DDCOLORKEY{0x07E0, 0x07E0};
    IDirectDrawSurface* withKey = MakeSurface(dd, keyed);
    ASSERT_NE(withKey, nullptr);
    EXPECT_EQ(MakeSurface(dd, 4, 4)->BltFast(0, 0, withKey, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
}

}  // namespace
