// Host backend: offscreen - shows nothing, needs no display.
// For: headless runs (--offscreen) and tests. No window system is touched; events come only from
//   tests (Inject); with vsync, waiting flips are paced by a virtual 60 Hz display.
// Limits: message boxes are answered at once (their text still goes to stderr); the desktop is a
//   fixed 640x480; frames go nowhere but the presenter's record.
// Depends on: the C library's monotonic clock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "host/host.h"

namespace platform::host {

class NullHost final : public Host {
public:
    // The refresh rate of the display it pretends to have.
    static constexpr std::uint32_t kVirtualRefreshHz = 60;
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
    Written ShowFrame(const FrameView& frame, std::uint64_t number, bool vsync, bool wait) override;

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
