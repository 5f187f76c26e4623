// The host that shows nothing: no window system is touched, events come from tests, frames are
// paced by a virtual 60 Hz display when vsync is on.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/host.h"

namespace platform::host {

class NullHost final : public Host {
public:
    static constexpr int kDesktopWidth = 640;
    static constexpr int kDesktopHeight = 480;

    NullHost();
    ~NullHost() override;

    // The most recently made offscreen host still alive, or null.
    static NullHost* Newest();

    bool Offscreen() const override { return true; }
    bool CreateMainWindow(const std::string& title, bool visible, bool windowed) override;
    void ShowMainWindow(bool visible) override;
    void FocusMainWindow() override {}
    void DestroyMainWindow() override;
    void PollEvents(std::vector<HostEvent>& out) override;
    bool ShowMessageBox(const std::string& caption, const std::string& text, bool owned) override;
    void SetCursorVisible(bool visible) override;
    void DesktopSize(int& width, int& height) override;
    void ShowFrame(const FrameView& frame, bool vsync, bool wait) override;

    // Queues an event as if the window system had reported it; any thread.
    void Inject(const HostEvent& event);

    bool WindowExists() const;
    bool WindowVisible() const;
    std::string WindowTitle() const;
    bool CursorVisible() const;

private:
    mutable std::mutex mutex_;
    std::vector<HostEvent> pending_;
    bool windowExists_ = false;
    bool windowVisible_ = false;
    std::string windowTitle_;
    bool cursorVisible_ = true;
};

}  // namespace platform::host
