// What the X11 presenters ask the X server about SDL's window over a connection of their own: its
// pixel layout, and shared memory for frames and for reading the window back.
#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/sdl/window_pixels.h"

namespace platform::host {

// How the window's pixels lie in an image of its depth.
struct WindowLayout {
    std::uint8_t depth = 0;
    int bitsPerPixel = 0;
    int scanlinePad = 0;  // in bits
    WindowPixelFormat format;

    // Bytes from one row of an image `pixels` wide to the next.
    int PitchOf(int pixels) const { return (pixels * bitsPerPixel + scanlinePad - 1) / scanlinePad * scanlinePad / 8; }
};

// The window's layout; false and why when it cannot be read or is one FrameWriter does not write.
bool ReadWindowLayout(xcb_connection_t* c, xcb_window_t window, WindowLayout& layout, std::string& whyNot);

// A fresh shared segment of `bytes`, mapped here and attached by the server; false when it cannot
// be (what was set up is left in segment and memory, for the caller to release). It is marked for
// removal at once: it goes with the last detach, even when this process ends without detaching.
bool AttachNewSegment(xcb_connection_t* c, std::size_t bytes, bool readOnly, xcb_shm_seg_t& segment, void*& memory);

// Shared memory the window is read back into, for the screen check.
class WindowReader {
public:
    // Reads the whole window, which must be width x height, in `layout`; false and why when it
    // cannot.
    bool Read(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, int width, int height,
              std::string& why);
    const void* Pixels() const { return memory_; }
    // Detaches the memory (and tells the server so, unless the connection is broken).
    void Release(xcb_connection_t* c);

private:
    xcb_shm_seg_t segment_ = 0;
    void* memory_ = nullptr;
    std::size_t bytes_ = 0;
};

}  // namespace platform::host
