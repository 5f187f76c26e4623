// The host with a real window: SDL2 video, its events, message boxes, cursor and renderer.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "host/host.h"
#include "host/sdl/sdl_frame_renderer.h"

namespace platform::host {

class SdlHost final : public Host {
public:
    // Starts SDL video; returns null and the reason when no display can be opened.
    static std::unique_ptr<SdlHost> Start(std::string& error);
    ~SdlHost() override;

    bool Offscreen() const override { return false; }
    bool CreateMainWindow(const std::string& title, bool visible, bool windowed) override;
    void ShowMainWindow(bool visible) override;
    void FocusMainWindow() override;
    void DestroyMainWindow() override;
    void PollEvents(std::vector<HostEvent>& out) override;
    bool ShowMessageBox(const std::string& caption, const std::string& text, bool owned) override;
    void SetCursorVisible(bool visible) override;
    void DesktopSize(int& width, int& height) override;
    void ShowFrame(const FrameView& frame, bool vsync, bool wait) override;

    SDL_Window* Window() const { return window_; }

private:
    SdlHost() = default;
    void Translate(const SDL_Event& event, std::vector<HostEvent>& out);

    SDL_Window* window_ = nullptr;
    SdlFrameRenderer renderer_;
};

}  // namespace platform::host
