// The software DirectDraw objects: creation and reference counts, cooperative level, display
// mode, capabilities, record sizes, pixel formats and surface descriptions.
#include <gtest/gtest.h>

#include <cstring>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;
using platform::PixelFormat;

TEST_F(DirectDrawTest, CreateAndReleaseCountObjects) {
    const int before = platform::ddraw::LiveObjectCount();
    IDirectDraw* first = nullptr;
    IDirectDraw* second = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(DirectDrawCreate(nullptr, &second, nullptr), DD_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before + 2);

    EXPECT_EQ(first->AddRef(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    void* other = reinterpret_cast<void*>(1);
    alignas(8) const unsigned char anyInterface[16] = {1, 2, 3};
    EXPECT_EQ(first->QueryInterface(*reinterpret_cast<const GUID*>(anyInterface), &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before);

    IDirectDraw* refused = reinterpret_cast<IDirectDraw*>(1);
    auto* notNull = reinterpret_cast<IUnknown*>(8);
    EXPECT_EQ(DirectDrawCreate(nullptr, &refused, notNull), DDERR_INVALIDPARAMS);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(DirectDrawCreate(nullptr, nullptr, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDrawTest, CooperativeLevelAndDisplayMode) {
    IDirectDraw* dd = MakeDirectDraw();
    struct {
        HWND window;
        DWORD flags;
        HRESULT expected;
    } levels[] = {
        {nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS},
        {FakeWindow(), DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS},
        {FakeWindow(), DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS},
        {FakeWindow(), DDSCL_NORMAL | DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS},
        {FakeWindow(), 0, DDERR_INVALIDPARAMS},
        {FakeWindow(), DDSCL_NORMAL, DD_OK},
        {FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK},
        {FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT, DD_OK},
    };
    for (const auto& level : levels)
        EXPECT_EQ(dd->SetCooperativeLevel(level.window, level.flags), level.expected) << "flags " << level.flags;

    struct {
        DWORD width, height, bits;
        HRESULT expected;
    } modes[] = {
        {640, 480, 16, DD_OK},
        {640, 480, 8, DDERR_INVALIDMODE},
        {640, 480, 32, DDERR_INVALIDMODE},
        {800, 600, 16, DDERR_INVALIDMODE},
        {480, 640, 16, DDERR_INVALIDMODE},
    };
    for (const auto& mode : modes)
        EXPECT_EQ(dd->SetDisplayMode(mode.width, mode.height, mode.bits), mode.expected)
            << mode.width << "x" << mode.height << "x" << mode.bits;
}

TEST_F(DirectDrawTest, GetCapsChecksSizesAndReportsTheBlitter) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565, 2048);
    DDCAPS driver{};
    DDCAPS hel{};
    driver.dwSize = sizeof driver - 4;
    hel.dwSize = sizeof hel;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    driver.dwSize = sizeof driver;
    hel.dwSize = 0;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->GetCaps(nullptr, nullptr), DDERR_INVALIDPARAMS);

    MakeSurface(dd, 64, 64, DDSCAPS_VIDEOMEMORY);
    std::memset(&driver, 0xAB, sizeof driver);
    std::memset(&hel, 0xAB, sizeof hel);
    driver.dwSize = hel.dwSize = 316;
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    for (const DDCAPS* caps : {&driver, &hel}) {
        EXPECT_EQ(caps->dwCaps, DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_COLORKEY);
        EXPECT_EQ(caps->dwCKeyCaps, DDCKEYCAPS_SRCBLT);
        EXPECT_EQ(caps->dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN);
        EXPECT_EQ(caps->dwPalCaps, 0u) << "the rest of the record is cleared";
        EXPECT_EQ(caps->dwReserved6, 0u);
    }
    EXPECT_EQ(driver.dwVidMemTotal, 2048u * 1024);
    EXPECT_EQ(driver.dwVidMemFree, 2048u * 1024 - 64 * 64 * 2);
    EXPECT_EQ(hel.dwVidMemTotal, 0u);

    // Only the driver record asked for.
    DDCAPS alone{};
    alone.dwSize = sizeof alone;
    EXPECT_EQ(dd->GetCaps(&alone, nullptr), DD_OK);
    EXPECT_EQ(alone.dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN);

    platform::ddraw::SetCapsOverride(DDCAPS_BLT, 0, DDCAPS_BLTCOLORFILL, DDFXCAPS_BLTMIRRORUPDOWN);
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    EXPECT_EQ(driver.dwCaps, DDCAPS_BLT);
    EXPECT_EQ(driver.dwFXCaps, 0u);
    EXPECT_EQ(hel.dwCaps, DDCAPS_BLTCOLORFILL);
    EXPECT_EQ(hel.dwFXCaps, DDFXCAPS_BLTMIRRORUPDOWN);
    platform::ddraw::ClearCapsOverride();
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    EXPECT_EQ(hel.dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN);
}

TEST_F(DirectDrawTest, RecordsOfTheWrongSizeAreRefused) {
    IDirectDraw* dd = MakeDirectDraw();
    DDSURFACEDESC desc = SurfaceRequest(32, 32, DDSCAPS_SYSTEMMEMORY);
    desc.dwSize = 107;
    IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);

    surface = MakeSurface(dd, 32, 32);
    DDSURFACEDESC query{};
    query.dwSize = 109;
    EXPECT_EQ(surface->GetSurfaceDesc(&query), DDERR_INVALIDPARAMS);
    DDPIXELFORMAT format{};
    format.dwSize = 31;
    EXPECT_EQ(surface->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
    EXPECT_EQ(format.dwRBitMask, 0u);
}

TEST_F(DirectDrawTest, PixelFormatFollowsTheOptions) {
    struct {
        PixelFormat format;
        DWORD red, green, blue;
    } cases[] = {{PixelFormat::Rgb565, 0xF800, 0x07E0, 0x001F}, {PixelFormat::Rgb555, 0x7C00, 0x03E0, 0x001F}};
    for (const auto& c : cases) {
        IDirectDraw* dd = MakeDirectDraw(c.format);
        IDirectDrawSurface* surface = MakeSurface(dd, 10, 20);
        DDPIXELFORMAT format{};
        format.dwSize = sizeof format;
        ASSERT_EQ(surface->GetPixelFormat(&format), DD_OK);
        EXPECT_EQ(format.dwFlags, DDPF_RGB);
        EXPECT_EQ(format.dwRGBBitCount, 16u);
        EXPECT_EQ(format.dwRBitMask, c.red);
        EXPECT_EQ(format.dwGBitMask, c.green);
        EXPECT_EQ(format.dwBBitMask, c.blue);

        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.dwWidth, 10u);
        EXPECT_EQ(desc.dwHeight, 20u);
        EXPECT_EQ(desc.lPitch, 20);
        EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, c.green);
        EXPECT_EQ(desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_CAPS | DDSD_PIXELFORMAT),
                  DDSD_WIDTH | DDSD_HEIGHT | DDSD_CAPS | DDSD_PIXELFORMAT);
        EXPECT_EQ(desc.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY), DDSCAPS_SYSTEMMEMORY);

        // A request naming a pixel format must name ours.
        DDSURFACEDESC other = SurfaceRequest(8, 8, 0);
        other.dwFlags |= DDSD_PIXELFORMAT;
        other.ddpfPixelFormat = format;
        HRESULT result;
        EXPECT_NE(MakeSurface(dd, other, &result), nullptr);
        other.ddpfPixelFormat.dwRBitMask = c.red == 0xF800 ? 0x7C00 : 0xF800;
        EXPECT_EQ(MakeSurface(dd, other, &result), nullptr);
        EXPECT_EQ(result, DDERR_INVALIDPIXELFORMAT);
    }
}

TEST_F(DirectDrawTest, SurfaceRequestsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw();
    struct {
        const char* what;
        DDSURFACEDESC desc;
        HRESULT expected;
    } cases[] = {
        {"no width",
         [] {
             auto d = SurfaceRequest(8, 8, 0);
             d.dwFlags &= ~DDSD_WIDTH;
             return d;
         }(),
         DDERR_INVALIDPARAMS},
        {"zero height", SurfaceRequest(8, 0, 0), DDERR_INVALIDPARAMS},
        {"both memories", SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY), DDERR_INVALIDCAPS},
        {"back buffer asked for", SurfaceRequest(8, 8, DDSCAPS_BACKBUFFER), DDERR_INVALIDCAPS},
        {"flipping off-screen", SurfaceRequest(8, 8, DDSCAPS_FLIP | DDSCAPS_COMPLEX), DDERR_INVALIDCAPS},
        {"primary before the cooperative level", PrimaryRequest(), DDERR_NOCOOPERATIVELEVELSET},
    };
    for (auto& c : cases) {
        HRESULT result;
        EXPECT_EQ(MakeSurface(dd, c.desc, &result), nullptr) << c.what;
        EXPECT_EQ(result, c.expected) << c.what;
    }
    IDirectDrawSurface* surface = nullptr;
    DDSURFACEDESC desc = SurfaceRequest(8, 8, 0);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, reinterpret_cast<IUnknown*>(8)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);

    // Fields the flags do not name are not consulted: a stale back-buffer count is harmless.
    desc.dwBackBufferCount = 7;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    EXPECT_NE(MakeSurface(dd, desc), nullptr);

    // A colour key given at creation.
    DDSURFACEDESC keyed = SurfaceRequest(4, 4, 0);
    keyed.dwFlags |= DDSD_CKSRCBLT;
    keyed.ddckCKSrcBlt = DDCOLORKEY{0x07E0, 0x07E0};
    IDirectDrawSurface* withKey = MakeSurface(dd, keyed);
    ASSERT_NE(withKey, nullptr);
    DDSURFACEDESC query{};
    query.dwSize = sizeof query;
    ASSERT_EQ(withKey->GetSurfaceDesc(&query), DD_OK);
    EXPECT_NE(query.dwFlags & DDSD_CKSRCBLT, 0u);
    EXPECT_EQ(query.ddckCKSrcBlt.dwColorSpaceLowValue, 0x07E0u);
}

TEST_F(DirectDrawTest, PalettesCopyTheirEntriesAndCount) {
    IDirectDraw* dd = MakeDirectDraw();
    const int before = platform::ddraw::LiveObjectCount();
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    EXPECT_EQ(dd->CreatePalette(0, entries, &palette, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, nullptr, &palette, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(palette, nullptr);
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before + 1);
    EXPECT_EQ(palette->Release(), 0u);
    EXPECT_EQ(platform::ddraw::LiveObjectCount(), before);
}

// A surface outlives the DirectDraw object that made it, as ReleaseAll's order needs.
TEST_F(DirectDrawTest, SurfacesSurviveTheirDirectDrawObject) {
    platform::Options options;
    options.offscreen = true;
    platform::SetOptions(options);
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    DDSURFACEDESC desc = SurfaceRequest(16, 16, DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    EXPECT_EQ(dd->Release(), 0u);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x1234;
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(PixelAt(surface, 15, 15), 0x1234);
    EXPECT_EQ(platform::ddraw::VideoMemoryUsedBytes(), 16u * 16 * 2);
    EXPECT_EQ(surface->Release(), 0u);
}

}  // namespace
