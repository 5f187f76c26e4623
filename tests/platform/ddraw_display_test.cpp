// The software DirectDraw objects and display; its fault controls and call log serve the program tests.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "common/app_activation.h"
#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;
using platform::PixelFormat;

// Reference counts, the cooperative level, the one display mode (wrong in width, height or depth alone is refused),
// records of the wrong size (GetCaps clears what it does not fill), a primary that cannot flip.
TEST_F(DirectDrawTest, ObjectsCountReferencesAndCheckTheirArguments) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565, 2048);
    IDirectDrawSurface* counted = MakeSurface(dd, 8, 8);
    EXPECT_EQ((std::vector<ULONG>{dd->AddRef(), dd->Release(), counted->AddRef(), counted->Release()}),
              (std::vector<ULONG>{2, 1, 2, 1}));
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    EXPECT_EQ(palette->Release(), 0u) << "and the fixture sees it gone";
    platform::ddraw::InjectFault("CreatePalette", 1, DDERR_OUTOFMEMORY);  // an injected failure clears the output
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(palette, nullptr);
    IDirectDraw* refused = reinterpret_cast<IDirectDraw*>(1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &refused, reinterpret_cast<IUnknown*>(8)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ((std::vector<HRESULT>{dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
                                    dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL | DDSCL_EXCLUSIVE),
                                    dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)}),
              (std::vector<HRESULT>{DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DD_OK}));
    for (auto [w, h, bpp, expected] :
         {std::tuple{640u, 480u, 16u, DD_OK}, std::tuple{800u, 480u, 16u, DDERR_INVALIDMODE},
          std::tuple{640u, 600u, 16u, DDERR_INVALIDMODE}, std::tuple{640u, 480u, 32u, DDERR_INVALIDMODE}})
        EXPECT_EQ(dd->SetDisplayMode(w, h, bpp), expected) << w << "x" << h << "x" << bpp;

    DDCAPS driver, hel;
    std::memset(&driver, 0xAB, sizeof driver), std::memset(&hel, 0xAB, sizeof hel);
    driver.dwSize = sizeof driver - 4, hel.dwSize = sizeof hel;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    driver.dwSize = sizeof driver, hel.dwSize = sizeof hel + 4;
    EXPECT_EQ(dd->GetCaps(&driver, &hel), DDERR_INVALIDPARAMS);
    DDSURFACEDESC desc = SurfaceRequest(32, 32, DDSCAPS_SYSTEMMEMORY);
    desc.dwSize = sizeof desc - 1;
    MakeSurface(dd, desc, DDERR_INVALIDPARAMS);
    IDirectDrawSurface* surface = MakeSurface(dd, 10, 32, DDSCAPS_VIDEOMEMORY);
    desc.dwSize = sizeof desc + 1;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DDERR_INVALIDPARAMS);
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.lPitch, 20) << "bytes";
    DDPIXELFORMAT format{};
    format.dwSize = 31;
    EXPECT_EQ(surface->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
    EXPECT_EQ(format.dwRBitMask, 0u);
    hel.dwSize = 316;
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    EXPECT_EQ(hel.dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN);
    EXPECT_EQ(driver.dwReserved6, 0u) << "the rest of the record is cleared";
    EXPECT_EQ(std::tuple(driver.dwVidMemFree, hel.dwVidMemTotal, hel.dwVidMemFree),
              std::tuple(2048u * 1024 - 10 * 32 * 2, 0u, 0u));  // emulation has no video memory
    IDirectDrawSurface* lone = MakeSurface(dd, SurfaceRequest(0, 0, DDSCAPS_PRIMARYSURFACE));
    ASSERT_NE(lone, nullptr);
    EXPECT_EQ(lone->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE) << "a primary without a back buffer";
}

// Lock hands out the rectangle's first pixel and the pitch; locked (by Lock or GetDC), a surface refuses other use.
TEST_F(DirectDrawTest, LockedSurfacesRefuseOtherUse) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565);
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* primary = MakeChain(dd, &back);
    back->Release();
    IDirectDrawSurface* other = MakeSurface(dd, 8, 8);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    RECT rect{3, 2, 7, 5};
    // Each edge outside the surface, and empty rectangles.
    for (RECT bad : {RECT{-1, 0, 4, 4}, RECT{0, -1, 4, 4}, RECT{4, 0, 4, 4}, RECT{0, 4, 4, 4}, RECT{0, 0, 641, 1},
                     RECT{0, 0, 1, 481}}) {
        EXPECT_EQ(back->Lock(&bad, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS) << bad.left << "," << bad.top;
    }
    EXPECT_EQ(back->Lock(&rect, &desc, 0x4, nullptr), DDERR_INVALIDPARAMS) << "an unknown flag";
    ASSERT_EQ(back->Lock(&rect, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(back);
    EXPECT_EQ(desc.lpSurface, view.pixels + 2 * 640 + 3);
    EXPECT_EQ(std::tuple(desc.lPitch, desc.dwWidth, desc.dwHeight), std::tuple(LONG{1280}, 640u, 480u));
    HDC dc = nullptr;
    DDBLTFX fill = Fx(0, 0x1234);
    // Busy as a destination and as a source; Unlock takes only Lock's pointer, once.
    EXPECT_EQ((std::vector<HRESULT>{back->Lock(nullptr, &desc, 0, nullptr), back->GetDC(&dc),
                                    back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fill),
                                    other->BltFast(0, 0, back, &rect, 0), primary->Flip(nullptr, DDFLIP_WAIT),
                                    back->Unlock(reinterpret_cast<LPVOID>(8)), back->Unlock(desc.lpSurface),
                                    back->Unlock(nullptr)}),
              (std::vector<HRESULT>{DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY,
                                    DDERR_SURFACEBUSY, DDERR_INVALIDRECT, DD_OK, DDERR_NOTLOCKED}));
    ASSERT_EQ(other->GetDC(&dc), DD_OK);
    EXPECT_EQ(other->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACEBUSY) << "a device context locks it";
    ASSERT_EQ(other->ReleaseDC(dc), DD_OK);
    platform::ddraw::MarkAllSurfacesLost();
    EXPECT_EQ(std::tuple(other->Lock(nullptr, &desc, 0, nullptr), primary->Flip(nullptr, DDFLIP_WAIT)),
              std::tuple(DDERR_SURFACELOST, DDERR_SURFACELOST));
}

TEST_F(DirectDrawTest, SurfaceRequestsAreChecked) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb555);
    DDSURFACEDESC ours = SurfaceRequest(8, 8, 0);  // a request naming a pixel format must name ours
    ours.dwFlags |= DDSD_PIXELFORMAT, ours.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    ASSERT_EQ(MakeSurface(dd, 4, 4)->GetPixelFormat(&ours.ddpfPixelFormat), DD_OK);
    DDSURFACEDESC theirs = ours;
    theirs.ddpfPixelFormat.dwRBitMask = 0xF800;
    MakeSurface(dd, SurfaceRequest(8, 0, 0), DDERR_INVALIDPARAMS);
    MakeSurface(dd, PrimaryRequest(), DDERR_NOCOOPERATIVELEVELSET);
    MakeSurface(dd, SurfaceRequest(8, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY), DDERR_INVALIDCAPS);
    MakeSurface(dd, SurfaceRequest(8, 8, DDSCAPS_FLIP | DDSCAPS_COMPLEX), DDERR_INVALIDCAPS);
    MakeSurface(dd, SurfaceRequest(16385, 1, 0), DDERR_INVALIDPARAMS);
    MakeSurface(dd, SurfaceRequest(1, 16385, 0), DDERR_INVALIDPARAMS);
    MakeSurface(dd, SurfaceRequest(16384, 1, DDSCAPS_SYSTEMMEMORY));
    MakeSurface(dd, SurfaceRequest(1, 16384, DDSCAPS_SYSTEMMEMORY));
    MakeSurface(dd, theirs, DDERR_INVALIDPIXELFORMAT);
    MakeSurface(dd, ours);
    DDSURFACEDESC keyed = SurfaceRequest(4, 4, 0);  // a colour key given at creation
    keyed.dwFlags |= DDSD_CKSRCBLT, keyed.ddckCKSrcBlt = DDCOLORKEY{0x03E0, 0x03E0};
    EXPECT_EQ(MakeSurface(dd, 4, 4)->BltFast(0, 0, MakeSurface(dd, keyed), nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
}

TEST_F(DirectDrawTest, FlipSwapsTheMemoryBehindAFixedBackBuffer) {
    IDirectDraw* dd = MakeDirectDraw();
    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* primary = MakeChain(dd, &back);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::vector<ULONG>({back->AddRef(), back->Release(), back->AddRef()}), std::vector<ULONG>({2, 1, 2}))
        << "GetAttachedSurface gave a reference of its own, each Release gives back one";
    const auto frame = [](std::uint16_t value) { return std::vector<std::uint16_t>(640 * 480, value); };
    ASSERT_EQ(Fill(primary, 0x2222) | Fill(back, 0x1111), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(Snapshot(primary), frame(0x1111));
    EXPECT_EQ(Snapshot(back), frame(0x2222)) << "the back buffer holds the frame that was on screen";
    ASSERT_EQ(Fill(back, 0x3333), DD_OK);
    ASSERT_EQ(primary->Flip(back, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(Snapshot(primary), frame(0x3333));
    EXPECT_EQ(Snapshot(back), frame(0x1111));
    // A device context locks its surface; a second GetDC leaves the handle as it was.
    IDirectDrawSurface* offscreen = MakeSurface(dd, 64, 64);
    HDC dc = nullptr;
    ASSERT_EQ(back->GetDC(&dc), DD_OK);
    ASSERT_NE(dc, nullptr);
    HDC second = dc;
    EXPECT_EQ(back->GetDC(&second), DDERR_DCALREADYCREATED);
    EXPECT_EQ(second, dc);
    EXPECT_EQ(back->BltFast(0, 0, offscreen, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(offscreen->BltFast(0, 0, back, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(Fill(back, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
    ASSERT_EQ(back->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(back->ReleaseDC(dc), DDERR_NODC);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE) << "only a primary with a back buffer flips";
    EXPECT_EQ(offscreen->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
    EXPECT_EQ(primary->Flip(offscreen, DDFLIP_WAIT), DDERR_INVALIDPARAMS) << "only to its back buffer";
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT | 2), DDERR_INVALIDPARAMS) << "with no flag but WAIT";
    MakeSurface(dd, PrimaryRequest(), DDERR_PRIMARYSURFACEALREADYEXISTS);
    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_NOEXCLUSIVEMODE);
}

// VIDEOMEMORY must fit, SYSTEMMEMORY never takes video memory, neither does while it fits; after the chain and a 1024x1
// surface 1447 rows of 1024 fit, one more does not.
TEST_F(DirectDrawTest, VideoMemoryIsABudget) {
    IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb565, 4096);
    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    for (int i = 0; i < 2; ++i) {  // a released primary makes room for a new one, as the program's restoration needs
        DDSURFACEDESC desc = PrimaryRequest();
        IDirectDrawSurface* primary = nullptr;
        ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK) << "primary " << i + 1;
        EXPECT_EQ(primary->Release(), 0u);
    }
    ASSERT_NE(MakeSurface(dd, PrimaryRequest()), nullptr);
    constexpr DWORD kVideo = DDSCAPS_VIDEOMEMORY, kSystem = DDSCAPS_SYSTEMMEMORY;
    constexpr HRESULT kOk = DD_OK, kFull = DDERR_OUTOFVIDEOMEMORY;
    for (auto [w, h, caps, expected, charged] :
         {std::tuple{1024u, 1u, 0u, kOk, 2048u}, std::tuple{64u, 64u, kSystem, kOk, 0u},
          std::tuple{1024u, 1448u, kVideo, kFull, 0u}, std::tuple{1024u, 1448u, 0u, kOk, 0u},
          std::tuple{1024u, 1447u, kVideo, kOk, 1024u * 1447 * 2}, std::tuple{1u, 1u, kVideo, kFull, 0u},
          std::tuple{1u, 1u, 0u, kOk, 0u}}) {
        const std::uint32_t used = platform::ddraw::VideoMemoryUsedBytes();
        MakeSurface(dd, SurfaceRequest(w, h, caps), expected);
        EXPECT_EQ(platform::ddraw::VideoMemoryUsedBytes() - used, charged) << w << "x" << h << " caps " << caps;
    }
}

// Switched away from in full screen, the chain and video memory are lost until the program is in front and each is
// restored; system memory is kept; a window has no exclusive mode to lose.
TEST_F(DirectDrawTest, FocusLossInFullScreenLosesVideoMemoryUntilRestoredWhenActive) {
    for (const bool windowed : {true, false}) {
        SCOPED_TRACE(windowed ? "windowed" : "full screen");
        IDirectDraw* dd = MakeDirectDraw(PixelFormat::Rgb555, 4096, windowed);
        IDirectDrawSurface* back = nullptr;
        IDirectDrawSurface* primary = MakeChain(dd, &back);
        IDirectDrawSurface* video = MakeSurface(dd, 64, 64, DDSCAPS_VIDEOMEMORY);
        IDirectDrawSurface* system = MakeSurface(dd, 64, 64, DDSCAPS_SYSTEMMEMORY);
        SetKey(video, 0x03E0, 0x03E0);
        const HRESULT lost = windowed ? DD_OK : DDERR_SURFACELOST;
        platform::NoteAppActivation(false);
        for (IDirectDrawSurface* s : {primary, back, video}) EXPECT_EQ(s->IsLost(), lost);
        EXPECT_EQ(system->IsLost(), DD_OK);
        EXPECT_EQ(system->BltFast(0, 0, video, nullptr, 0), lost) << "either side being lost refuses a blit";
        EXPECT_EQ(video->BltFast(0, 0, system, nullptr, 0), lost);
        EXPECT_EQ(system->Blt(nullptr, video, nullptr, DDBLT_WAIT, nullptr), lost);
        EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), lost);
        EXPECT_EQ(primary->Restore(), windowed ? DD_OK : DDERR_WRONGMODE);
        EXPECT_EQ(video->Restore(), windowed ? DD_OK : DDERR_WRONGMODE);
        EXPECT_EQ(system->Restore(), DD_OK);
        platform::NoteAppActivation(true);
        if (windowed) continue;
        HDC dc = nullptr;
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        IDirectDrawSurface* attached = nullptr;
        EXPECT_EQ((std::vector{video->IsLost(), primary->GetAttachedSurface(&caps, &attached), Fill(video, 0)}),
                  std::vector<HRESULT>(3, DDERR_SURFACELOST)) << "lost until restored";
        EXPECT_EQ(video->GetDC(&dc), DDERR_SURFACELOST);
        EXPECT_EQ(back->Restore(), DDERR_IMPLICITLYCREATED);
        EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
        ASSERT_EQ(primary->Restore(), DD_OK);
        EXPECT_EQ(back->IsLost(), DD_OK) << "restoring the primary restores its back buffer";
        ASSERT_EQ(video->Restore(), DD_OK);
        platform::NoteAppActivation(true);  // told again that it is in front: nothing is lost
        EXPECT_EQ(Snapshot(video)[8], 0x7C1F) << "restored memory shows 8x8 magenta and black checks at (8, 0)";
        EXPECT_EQ(Snapshot(back)[8 * 640], 0x7C1F) << "and at (0, 8)";
        EXPECT_EQ(system->BltFast(0, 0, video, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK) << "the key survives";
        EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        ASSERT_EQ(video->GetDC(&dc), DD_OK);
        platform::ddraw::MarkAllSurfacesLost();
        EXPECT_EQ(video->ReleaseDC(dc), DD_OK) << "a surface lost while its context is out takes it back";
    }
}

}  // namespace
