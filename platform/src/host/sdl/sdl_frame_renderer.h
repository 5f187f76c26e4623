// Puts 16-bit frames on an SDL window: one renderer, one streaming texture in the frame's own
// pixel format, scaled and letterboxed to the window with a fixed logical size.
#pragma once

#include <SDL.h>

#include "host/host.h"

namespace platform::host {

class SdlFrameRenderer {
public:
    SdlFrameRenderer() = default;
    SdlFrameRenderer(const SdlFrameRenderer&) = delete;
    SdlFrameRenderer& operator=(const SdlFrameRenderer&) = delete;
    ~SdlFrameRenderer() { Release(); }

    // Creates the renderer for window, once. Returns false (and says why on stderr, once) when
    // SDL has none.
    bool Prepare(SDL_Window* window, bool vsync);

    // Shows the frame on the prepared renderer's window. Returns false when there is no renderer
    // (Prepare said why) or SDL cannot draw (said on stderr, once).
    bool Show(const FrameView& frame);

    // The render device was reset: textures are gone and must be made again.
    void TexturesLost() { texturesLost_ = true; }

    // Destroys the texture and the renderer (before their window goes).
    void Release();

private:
    bool EnsureTexture(const FrameView& frame);

    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Uint32 textureFormat_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    bool texturesLost_ = false;
    bool failureReported_ = false;
};

}  // namespace platform::host
