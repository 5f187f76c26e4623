// Host backend: SDL2 - a real window on X11 or Wayland.
// For: a desktop user. The window (full screen at the desktop's mode, or a resizable 640x480
//   window), keyboard and focus events, message boxes, the cursor, and frames scaled to the
//   window and letterboxed. On X11 frames go as shared-memory pixmaps that the X server shows at
//   its vertical blanks (XPresentPresenter, with vsync) or through our own shared-memory images
//   (XShmPresenter, without vsync, where the server has no Present extension, or from the
//   frame on at which a server that sends no Present events is found out), unless
//   --present asks for one of them or for SDL's renderer; elsewhere, or where the X server cannot
//   share memory with us, through the renderer.
// Limits: the shared-memory images cannot wait for the display's refresh: with vsync they pace
//   waiting flips by the clock at the display's refresh rate, and frames may tear. The
//   renderer's vsync is its driver's. Without a display SDL falls back to drivers that show
//   nothing, which are refused unless asked for by name (SDL_VIDEODRIVER).
// Depends on: SDL2 (video and events only; its signal handlers are off, the runtime has its own);
//   on X11, libxcb with its shm and present extensions, and Xlib (libX11) for SDL's display and
//   its fatal I/O error hook (host/x11_display_loss.h).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "host/host.h"
#include "host/sdl/sdl_frame_renderer.h"
#include "host/sdl/xpresent_presenter.h"
#include "host/sdl/window_readback.h"
#include "host/sdl/xshm_presenter.h"

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
    bool WantsDamage() const override { return present_ != nullptr || xshm_ != nullptr; }
    Written ShowFrame(const FrameView& frame, std::uint64_t number, bool vsync, bool wait) override;
    void FinishShowing() override;

    SDL_Window* Window() const { return window_; }

private:
    SdlHost() = default;
    void Translate(const SDL_Event& event, std::vector<HostEvent>& out);
    SDL_Window* NewWindow(const std::string& title, bool windowed, bool openGl);
    bool OpenSharedMemoryPath(const std::string& title, bool windowed);
    void OpenPresenter();
    std::uint32_t RefreshRateHz() const;
    // The X server sends no word on presented frames: from frame fromFrame on, frames go through
    // shared-memory images paced by the clock (or, failing those, the renderer).
    void LeavePresent(std::uint64_t fromFrame);
    std::string HowFramesAreShown(std::uint64_t fromFrame) const;
    // Says on stderr, and notes for the report, how frames reach the screen.
    void SayHowFramesAreShown(std::uint64_t fromFrame = 1) const;

    SDL_Window* window_ = nullptr;
    std::unique_ptr<XPresentPresenter> present_;  // set when the X server presents shared pixmaps
    std::unique_ptr<XShmPresenter> xshm_;         // set when frames go through shared-memory images
    SdlFrameRenderer renderer_;                   // used otherwise
    WindowReadback rendererReadback_;             // says the renderer's frames are not read back
    std::string noPresentReason_;                 // why frames do not go through Present
    std::uint32_t refreshHz_ = 60;
    Uint64 lastPumpMs_ = 0;  // when the window system was last asked for events
};

}  // namespace platform::host
