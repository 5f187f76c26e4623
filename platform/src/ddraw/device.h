// State one DirectDraw object shares with every surface it created: the pixel format, the video
// memory budget, whether the display is a full screen, the cooperative level and whether a
// primary surface exists. Surfaces hold it by shared_ptr, so it outlives a DirectDraw object
// released before its surfaces.
#pragma once

#include <cstdint>

#include "ddraw.h"
#include "platform/pixel_format.h"

namespace platform::ddraw {

class Device {
public:
    // `fullScreen`: the display is the whole screen (offscreen counts), not a window on a desktop.
    Device(PixelFormat format, std::uint64_t videoMemoryBytes, bool fullScreen)
        : format_(format), budgetBytes_(videoMemoryBytes), fullScreen_(fullScreen) {}

    PixelFormat format() const { return format_; }
    std::uint64_t budgetBytes() const { return budgetBytes_; }
    std::uint64_t usedBytes() const { return usedBytes_; }

    // Reserves video memory; false (and nothing reserved) when it does not fit.
    bool TryCharge(std::uint64_t bytes);
    void Refund(std::uint64_t bytes);

    // Exclusive full-screen mode on a full screen: what the application loses when it is switched
    // away from. In a window there is no such mode to lose.
    bool HoldsExclusiveMode() const {
        constexpr DWORD kExclusive = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;
        return fullScreen_ && (cooperativeLevel & kExclusive) == kExclusive;
    }

    DWORD cooperativeLevel = 0;  // 0 until SetCooperativeLevel succeeded
    bool primaryExists = false;
    int screenWidth = 640;
    int screenHeight = 480;

private:
    PixelFormat format_;
    std::uint64_t budgetBytes_;
    std::uint64_t usedBytes_ = 0;
    bool fullScreen_;
};

}  // namespace platform::ddraw
