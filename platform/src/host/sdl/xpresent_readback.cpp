#include "host/sdl/xpresent_readback.h"

#include <string>

namespace platform::host {

void PresentReadback::Read(PresentEvents& events, const WindowLayout& layout, std::uint64_t number, int width,
                           int height) {
    if (number == 0 || number == readFrame_ || !due_.Due()) return;
    events.HandleEvents();
    // A frame not seen shown (or cleared since) is not what the window holds.
    if (events.WindowFrame() != number) return;
    readFrame_ = number;
    std::string why;
    if (!events.Unobscured()) {
        due_.Fail(number, "the window is covered or not mapped");
        return;
    }
    if (!reader_.Read(events.Connection(), events.Window(), layout, width, height, why)) {
        due_.Fail(number, why.c_str());
        return;
    }
    // Events that came before the pixels did: the window cleared while it was read.
    events.HandleQueuedEvents();
    if (events.WindowFrame() != number) {
        due_.Fail(number, "the window was cleared while it was read");
        return;
    }
    due_.Deliver(number, reader_.Pixels(), width, height, layout.PitchOf(width), layout.format);
}

}  // namespace platform::host
