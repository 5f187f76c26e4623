// Host backend: SDL2 - a real window on X11 or Wayland.
// For: a desktop user. The window (full screen at the desktop's mode, or a resizable 640x480
//   window), keyboard and focus events, message boxes, the cursor, and frames shown through an
//   SDL renderer that scales the 640x480 picture and letterboxes it.
// Limits: with vsync the renderer waits for the refresh itself, so the wait flag of a flip is not
//   needed; without a display SDL falls back to drivers that show nothing, which are refused
//   unless asked for by name (SDL_VIDEODRIVER).
// Depends on: SDL2 (video and events only; its signal handlers are off, the runtime has its own)
//   and, on X11, Xlib's fatal I/O error hook (host/x11_display_loss.h).
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
