// The hand-off from the software DirectDraw to the host: every successful Flip presents the new
// front buffer here.
#pragma once

#include <cstdint>

#include "platform/pixel_format.h"

namespace platform {

struct FrameView {
    const std::uint16_t* pixels;
    int width;
    int height;
    int pitchPixels;  // pixels from one row to the next
    PixelFormat format;
};

// Shows the frame on the host, records it for screenshots and capture, and counts it for
// bounded runs. When wait is true and vsync is on, returns after the display's next refresh.
void PresentFrame(const FrameView& frame, bool wait);

}  // namespace platform
