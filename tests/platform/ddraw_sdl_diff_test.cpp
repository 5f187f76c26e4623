// Differential test: on seeded random rectangles our unmirrored copies, keyed or not, agree pixel
// for pixel with SDL's own 16-bit blitter (SDL's colour key is a single value: low == high).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

TEST_F(DirectDrawTest, UnmirroredBlitsAgreeWithSdl) {
    IDirectDraw* dd = MakeDirectDraw();
    std::mt19937 random(20240611);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    constexpr std::uint16_t kKey = 0x07E0;
    for (int run = 0; run < 300; ++run) {
        const int sw = uniform(1, 160), sh = uniform(1, 90), dw = uniform(sw, 200), dh = uniform(sh, 120);
        IDirectDrawSurface* source = MakeSurface(dd, static_cast<DWORD>(sw), static_cast<DWORD>(sh));
        IDirectDrawSurface* dest = MakeSurface(dd, static_cast<DWORD>(dw), static_cast<DWORD>(dh));
        FillRandom(source, random, kKey, 40);
        FillRandom(dest, random);
        const bool keyed = run % 2 == 1, fast = run % 4 >= 2;
        if (keyed) SetKey(source, kKey, kKey);
        // SDL blits from our source's pixels into a copy of our destination's.
        const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(source);
        std::vector<std::uint16_t> expected = Snapshot(dest);
        SDL_Surface* sdlSource =
            SDL_CreateRGBSurfaceWithFormatFrom(view.pixels, sw, sh, 16, view.pitchPixels * 2, SDL_PIXELFORMAT_RGB565);
        SDL_Surface* sdlDest =
            SDL_CreateRGBSurfaceWithFormatFrom(expected.data(), dw, dh, 16, dw * 2, SDL_PIXELFORMAT_RGB565);
        ASSERT_TRUE(sdlSource && sdlDest) << SDL_GetError();
        ASSERT_EQ(SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_NONE), 0);
        ASSERT_EQ(SDL_SetColorKey(sdlSource, keyed ? SDL_TRUE : SDL_FALSE, kKey), 0);

        const int w = uniform(1, sw), h = uniform(1, sh), sx = uniform(0, sw - w), sy = uniform(0, sh - h);
        const int x = uniform(0, dw - w), y = uniform(0, dh - h);
        RECT from{sx, sy, sx + w, sy + h}, to{x, y, x + w, y + h};
        SDL_Rect sdlFrom{sx, sy, w, h}, sdlTo{x, y, w, h};
        ASSERT_EQ(SDL_BlitSurface(sdlSource, &sdlFrom, sdlDest, &sdlTo), 0) << SDL_GetError();
        ASSERT_EQ(fast ? dest->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &from,
                                       DDBLTFAST_WAIT | (keyed ? DDBLTFAST_SRCCOLORKEY : 0))
                       : dest->Blt(&to, source, &from, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr),
                  DD_OK);
        ASSERT_EQ(Snapshot(dest), expected) << "run " << run << (keyed ? " keyed" : "") << (fast ? " BltFast" : " Blt");
        SDL_FreeSurface(sdlSource);
        SDL_FreeSurface(sdlDest);
    }
}

}  // namespace
