#include "present/present_control.h"

#include "present/present_record.h"

namespace platform::testing {

void KeepPresentedFrames(bool keep) { present::gKeepFrames.store(keep, std::memory_order_relaxed); }

std::uint64_t PresentedFrameCount() { return present::CurrentPresentStats().frames; }

std::vector<std::uint16_t> LastPresentedFrame() {
    present::StoredFrame frame;
    if (!present::LastFrame(frame)) return {};
    return frame.pixels;
}

}  // namespace platform::testing
