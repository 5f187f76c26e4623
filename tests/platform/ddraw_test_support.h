// Shared by the DirectDraw tests: requests, a surface's pixels, and a fixture that owns the objects a test makes and
// checks that none outlives it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ddraw.h"
#include "ddraw/ddraw_control.h"
#include "platform/options.h"

namespace ddraw_test {

// Any non-null handle will do: the software DirectDraw only checks that a window is given.
inline HWND FakeWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000)); }

inline DDSURFACEDESC SurfaceRequest(DWORD width, DWORD height, DWORD caps) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc, desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = width, desc.dwHeight = height, desc.ddsCaps.dwCaps = caps;
    return desc;
}
inline DDSURFACEDESC PrimaryRequest() {
    DDSURFACEDESC desc =
        SurfaceRequest(0, 0, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT, desc.dwBackBufferCount = 1;
    return desc;
}
inline DDBLTFX Fx(DWORD ddfx = 0, DWORD fill = 0) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx, fx.dwDDFX = ddfx, fx.dwFillColor = fill;
    return fx;
}

// The visible pixels of a surface, row after row.
inline std::vector<std::uint16_t> Snapshot(IDirectDrawSurface* surface) {
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(surface);
    std::vector<std::uint16_t> copy;
    for (int y = 0; y < view.height; ++y)
        copy.insert(copy.end(), view.pixels + y * view.pitchPixels, view.pixels + y * view.pitchPixels + view.width);
    return copy;
}

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ddraw::ResetForTesting();
        baselineObjects_ = platform::ddraw::LiveObjectCount();
    }
    void TearDown() override {
        // Surfaces first, as a program releases them, then the DirectDraw objects.
        for (auto it = surfaces_.rbegin(); it != surfaces_.rend(); ++it) (*it)->Release();
        for (IDirectDraw* directDraw : directDraws_) directDraw->Release();
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), baselineObjects_) << "objects leaked";
        EXPECT_EQ(platform::ddraw::VideoMemoryUsedBytes(), 0u);
        platform::ddraw::ResetForTesting();
        platform::SetOptions(savedOptions_);
    }

    // A DirectDraw object made under these options, and surfaces; the fixture releases them.
    IDirectDraw* MakeDirectDraw(platform::PixelFormat format = platform::PixelFormat::Rgb565,
                                std::uint32_t vramKb = 4096, bool windowed = false) {
        platform::Options options;
        options.offscreen = true, options.windowed = windowed, options.vsync = false;
        options.pixelFormat = format, options.vramKb = vramKb;
        platform::SetOptions(options);
        IDirectDraw* directDraw = nullptr;
        EXPECT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
        if (directDraw != nullptr) directDraws_.push_back(directDraw);
        return directDraw;
    }
    // CreateSurface must give `expected`, and a surface exactly when that is DD_OK: a failure clears the pointer.
    IDirectDrawSurface* MakeSurface(IDirectDraw* dd, DDSURFACEDESC desc, HRESULT expected = DD_OK) {
        IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
        const HRESULT result = dd->CreateSurface(&desc, &surface, nullptr);
        EXPECT_EQ(result, expected) << desc.dwWidth << "x" << desc.dwHeight << " caps " << desc.ddsCaps.dwCaps;
        EXPECT_EQ(surface != nullptr, result == DD_OK);
        if (result != DD_OK || surface == nullptr) return nullptr;
        surfaces_.push_back(surface);
        return surface;
    }
    IDirectDrawSurface* MakeSurface(IDirectDraw* dd, DWORD width, DWORD height, DWORD caps = DDSCAPS_SYSTEMMEMORY) {
        return MakeSurface(dd, SurfaceRequest(width, height, caps));
    }

    // Exclusive full-screen 640x480x16 and a flip chain; the back buffer's reference is not released.
    IDirectDrawSurface* MakeChain(IDirectDraw* dd, IDirectDrawSurface** backBuffer) {
        EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        EXPECT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
        IDirectDrawSurface* primary = MakeSurface(dd, PrimaryRequest());
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        EXPECT_EQ(primary != nullptr ? primary->GetAttachedSurface(&caps, backBuffer) : DDERR_GENERIC, DD_OK);
        return primary;
    }
    static HRESULT Fill(IDirectDrawSurface* surface, std::uint16_t value) {
        DDBLTFX fx = Fx(0, value);
        return surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    static void SetKey(IDirectDrawSurface* surface, DWORD low, DWORD high, DWORD flags = DDCKEY_SRCBLT) {
        DDCOLORKEY key{low, high};
        ASSERT_EQ(surface->SetColorKey(flags, &key), DD_OK);
    }

private:
    const platform::Options savedOptions_ = platform::CurrentOptions();
    int baselineObjects_ = 0;
    std::vector<IDirectDraw*> directDraws_;
    std::vector<IDirectDrawSurface*> surfaces_;
};

}  // namespace ddraw_test
