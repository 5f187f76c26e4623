// State one DirectDraw object shares with every surface it created: the pixel format, the video
// memory budget, the cooperative level and whether a primary surface exists. Surfaces hold it by
// shared_ptr, so it outlives a DirectDraw object released before its surfaces.
#pragma once

#include <cstdint>

#include "ddraw.h"
#include "platform/pixel_format.h"

namespace platform::ddraw {

class Device {
public:
    Device(PixelFormat format, std::uint64_t videoMemoryBytes) : format_(format), budgetBytes_(videoMemoryBytes) {}

    PixelFormat format() const { return format_; }
    std::uint64_t budgetBytes() const { return budgetBytes_; }
    std::uint64_t usedBytes() const { return usedBytes_; }

    // Reserves video memory; false (and nothing reserved) when it does not fit.
    bool TryCharge(std::uint64_t bytes);
    void Refund(std::uint64_t bytes);

    DWORD cooperativeLevel = 0;  // 0 until SetCooperativeLevel succeeded
    bool primaryExists = false;
    int screenWidth = 640;
    int screenHeight = 480;

private:
    PixelFormat format_;
    std::uint64_t budgetBytes_;
    std::uint64_t usedBytes_ = 0;
};

}  // namespace platform::ddraw
