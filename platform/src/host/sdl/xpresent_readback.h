// The Present path's window read back for the screen check: the window is read only when it is
// known to hold the frame asked for (the server said it was shown, and nothing cleared the window
// since), and not covered; a read during which the window was cleared is not used.
#pragma once

#include <cstdint>

#include "host/sdl/window_readback.h"
#include "host/sdl/xcb_window.h"
#include "host/sdl/xpresent_events.h"

namespace platform::host {

class PresentReadback {
public:
    // True when the check wants a frame read back now.
    bool Due() const { return due_.Due(); }
    // Hands frame `number`, as the window of width x height shows it, to the screen check when it
    // asks and the window is known to hold that frame.
    void Read(PresentEvents& events, const WindowLayout& layout, std::uint64_t number, int width, int height);
    void Release(xcb_connection_t* c) { reader_.Release(c); }

private:
    WindowReadback due_;
    WindowReader reader_;
    std::uint64_t readFrame_ = 0;  // the frame read back last
};

}  // namespace platform::host
