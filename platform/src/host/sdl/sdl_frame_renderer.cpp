#include "host/sdl/sdl_frame_renderer.h"

#include <cstdio>

namespace platform::host {
namespace {

Uint32 SdlFormatOf(PixelFormat format) {
    return format == PixelFormat::Rgb565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB555;
}

}  // namespace

bool SdlFrameRenderer::Show(const FrameView& frame) {
    if (renderer_ == nullptr || !EnsureTexture(frame)) return false;
    const int pitchBytes = frame.pitchPixels * static_cast<int>(sizeof(std::uint16_t));
    if (SDL_UpdateTexture(texture_, nullptr, frame.pixels, pitchBytes) != 0 ||
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255) != 0 || SDL_RenderClear(renderer_) != 0 ||
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0) {
        if (!failureReported_) std::fprintf(stderr, "vornhollow: drawing the frame failed: %s\n", SDL_GetError());
        failureReported_ = true;
        return false;
    }
    SDL_RenderPresent(renderer_);
    return true;
}

bool SdlFrameRenderer::Prepare(SDL_Window* window, bool vsync) {
    if (renderer_ != nullptr) return true;
    const Uint32 vsyncFlag = vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | vsyncFlag);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | vsyncFlag);
    if (renderer_ == nullptr) {
        if (!failureReported_) std::fprintf(stderr, "vornhollow: no SDL renderer for the window: %s\n", SDL_GetError());
        failureReported_ = true;
        return false;
    }
    return true;
}

bool SdlFrameRenderer::EnsureTexture(const FrameView& frame) {
    const Uint32 format = SdlFormatOf(frame.format);
    const bool fits = texture_ != nullptr && !texturesLost_ && format == textureFormat_ &&
                      frame.width == textureWidth_ && frame.height == textureHeight_;
    if (fits) return true;
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    texturesLost_ = false;
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
    if (texture_ == nullptr) {
        if (!failureReported_) std::fprintf(stderr, "vornhollow: no SDL texture for the frame: %s\n", SDL_GetError());
        failureReported_ = true;
        return false;
    }
    textureFormat_ = format;
    textureWidth_ = frame.width;
    textureHeight_ = frame.height;
    // The program draws for a 640x480 screen: keep that picture whole, scaled and letterboxed.
    SDL_RenderSetLogicalSize(renderer_, frame.width, frame.height);
    return true;
}

void SdlFrameRenderer::Release() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
    textureFormat_ = 0;
    textureWidth_ = textureHeight_ = 0;
    texturesLost_ = false;
}

}  // namespace platform::host
