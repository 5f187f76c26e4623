// The seam between the Windows-shaped facilities and whatever really shows the program: a window
// on a display (SdlHost) or nothing at all (NullHost). The facilities talk to the host only
// through this interface; the runtime installs one at start and tests swap in a fresh NullHost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/damage.h"
#include "platform/pixel_format.h"

namespace platform {

// A frame to show: 16-bit pixels in the screen's format, rows pitchPixels apart.
struct FrameView {
    const std::uint16_t* pixels;
    int width;
    int height;
    int pitchPixels;  // pixels from one row to the next
    PixelFormat format;
    int sharedMemoryId = -1;  // the System V segment that holds pixels, or -1 (host/frame_memory.h)
    // Where the frame may differ from the frame shown before it (host/damage.h); null: anywhere.
    const host::Damage* damage = nullptr;
};

}  // namespace platform

namespace platform::host {

// What happened on the host since the last poll, already in the program's terms.
struct HostEvent {
    enum class Kind { KeyDown, KeyUp, FocusGained, FocusLost, MouseMove, CloseRequest };
    Kind kind;
    unsigned virtualKey = 0;  // Windows virtual-key code, for key events
    unsigned scanCode = 0;    // hardware scan code when known, for the key message's lParam
    bool repeat = false;      // auto-repeat of a key already down
};

class Host {
public:
    virtual ~Host() = default;

    // True when nothing is shown (the runtime's --offscreen, and tests).
    virtual bool Offscreen() const = 0;

    // The one top-level window. Returns false when the host cannot create it.
    virtual bool CreateMainWindow(const std::string& title, bool visible, bool windowed) = 0;
    virtual void ShowMainWindow(bool visible) = 0;
    virtual void FocusMainWindow() = 0;
    virtual void DestroyMainWindow() = 0;

    // Moves every pending host event into out (appending); never blocks.
    virtual void PollEvents(std::vector<HostEvent>& out) = 0;

    // A modal box with one OK button; returns once it has been dismissed. Returns false when the
    // host could not show one (the caller has already written it to stderr).
    virtual bool ShowMessageBox(const std::string& caption, const std::string& text, bool owned) = 0;

    virtual void SetCursorVisible(bool visible) = 0;

    // Size of the desktop in pixels.
    virtual void DesktopSize(int& width, int& height) = 0;

    // Whether ShowFrame uses the frames' damage: when not, the flip chain need not record it.
    virtual bool WantsDamage() const { return false; }

    // What showing a frame wrote: the pixels of the picture on the screen written for it, out of
    // how many the picture has (both 0 where nothing is written, as offscreen).
    struct Written {
        std::uint64_t pixels = 0;
        std::uint64_t picture = 0;
    };

    // Shows frame `number` (counting from 1). With vsync and wait, it is shown at one of the
    // display's refreshes: either the host returns after the next refresh, or it queues the frame
    // for the refresh after the one that shows the frame before, and returns at once.
    virtual Written ShowFrame(const FrameView& frame, std::uint64_t number, bool vsync, bool wait) = 0;

    // Returns once every frame queued by ShowFrame has reached the screen (or cannot).
    virtual void FinishShowing() {}
};

// The installed host; a NullHost is installed on first use when none was.
Host& CurrentHost();
// Replaces the installed host (the old one is destroyed).
void InstallHost(std::unique_ptr<Host> host);

}  // namespace platform::host
