// Differential test: on seeded random rectangles our unmirrored copies, keyed or not, agree pixel
// for pixel with SDL's own 16-bit blitter (SDL's colour key is a single value: low == high).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "ddraw_test_support.h"

namespace {

using namespace ddraw_test;

SDL_Surface* SdlCopyOf(IDirectDrawSurface* surface) {
    const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(surface);
    SDL_Surface* copy = SDL_CreateRGBSurfaceWithFormat(0, view.width, view.height, 16, SDL_PIXELFORMAT_RGB565);
    if (copy == nullptr) return nullptr;
    for (int y = 0; y < view.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(copy->pixels) + y * copy->pitch, view.pixels + y * view.pitchPixels,
                    static_cast<std::size_t>(view.width) * 2);
    return copy;
}

std::vector<std::uint16_t> PixelsOf(const SDL_Surface* surface) {
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(surface->w) * surface->h);
    for (int y = 0; y < surface->h; ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * surface->w,
                    static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch,
                    static_cast<std::size_t>(surface->w) * 2);
    return pixels;
}

TEST_F(DirectDrawTest, UnmirroredBlitsAgreeWithSdl) {
    IDirectDraw* dd = MakeDirectDraw();
    std::mt19937 random(20240611);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    constexpr std::uint16_t kKey = 0x07E0;
    for (int run = 0; run < 300; ++run) {
        const int sw = uniform(1, 160), sh = uniform(1, 90);
        const int dw = uniform(sw, 200), dh = uniform(sh, 120);
        IDirectDrawSurface* source = MakeSurface(dd, static_cast<DWORD>(sw), static_cast<DWORD>(sh));
        IDirectDrawSurface* dest = MakeSurface(dd, static_cast<DWORD>(dw), static_cast<DWORD>(dh));
        FillRandom(source, random, kKey, 40);
        FillRandom(dest, random);
        const bool keyed = run % 2 == 1;
        const bool fast = run % 4 >= 2;

        SDL_Surface* sdlSource = SdlCopyOf(source);
        SDL_Surface* sdlDest = SdlCopyOf(dest);
        ASSERT_NE(sdlSource, nullptr) << SDL_GetError();
        ASSERT_NE(sdlDest, nullptr) << SDL_GetError();
        ASSERT_EQ(SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_NONE), 0);
        if (keyed) {
            SetKey(source, kKey, kKey);
            ASSERT_EQ(SDL_SetColorKey(sdlSource, SDL_TRUE, kKey), 0);
        }

        const int w = uniform(1, sw), h = uniform(1, sh);
        RECT src{uniform(0, sw - w), uniform(0, sh - h), 0, 0};
        src.right = src.left + w;
        src.bottom = src.top + h;
        const int x = uniform(0, dw - w), y = uniform(0, dh - h);
        if (fast) {
            ASSERT_EQ(dest->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &src,
                                    DDBLTFAST_WAIT | (keyed ? DDBLTFAST_SRCCOLORKEY : 0)),
                      DD_OK);
        } else {
            RECT destRect{x, y, x + w, y + h};
            ASSERT_EQ(dest->Blt(&destRect, source, &src, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr), DD_OK);
        }
        SDL_Rect sdlSrc{src.left, src.top, w, h};
        SDL_Rect sdlDst{x, y, w, h};
        ASSERT_EQ(SDL_BlitSurface(sdlSource, &sdlSrc, sdlDest, &sdlDst), 0) << SDL_GetError();
        ASSERT_EQ(Snapshot(dest), PixelsOf(sdlDest))
            << "run " << run << (keyed ? " keyed" : "") << (fast ? " BltFast" : " Blt");
        SDL_FreeSurface(sdlSource);
        SDL_FreeSurface(sdlDest);
    }
}

}  // namespace
