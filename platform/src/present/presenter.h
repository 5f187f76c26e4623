// The hand-off from the software DirectDraw to the host: every successful Flip presents the new
// front buffer here.
#pragma once

#include <cstdint>
#include <functional>

#include "host/host.h"

namespace platform {

// Shows the frame on the host, records it for screenshots and capture, and reports its number
// to the presented-frame hook. When wait is true and vsync is on, returns after the display's
// next refresh.
void PresentFrame(const FrameView& frame, bool wait);

// Called with each presented frame's number, counting from 1, after the frame is recorded; the
// runtime installs its run policy here (an empty function removes it).
void SetFramePresentedHook(std::function<void(std::uint64_t number)> hook);

namespace present {

// A fresh run: the vsync notice may be given again and a stopped capture goes on.
void ResetPresenterNotices();

}  // namespace present

}  // namespace platform
