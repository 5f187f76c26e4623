// The presenter seam (host/sdl/presenter_seam.h) with the planted presenter fault.
#include <atomic>
#include <cstring>

#include "host/sdl/presenter_seam.h"
#include "planted_faults.h"

namespace platform::planted {
namespace {

std::atomic<PresenterFault> gFault{PresenterFault::None};

PresenterFault Current() { return gFault.load(std::memory_order_relaxed); }

}  // namespace

void PlantPresenterFault(PresenterFault fault) { gFault.store(fault, std::memory_order_relaxed); }

}  // namespace platform::planted

namespace platform::host {

using planted::PresenterFault;

bool WritesFrame(std::uint64_t number) {
    return planted::Current() != PresenterFault::FlipNotTaken || number % 10 != 0;
}

std::uint32_t BarPixel(const WindowPixelFormat& format) {
    if (planted::Current() != PresenterFault::BarsNotBlack) return format.fixedBits;
    return format.fixedBits | (format.redMask & (format.redMask >> 1));  // half-bright red
}

void SpoilPicture(const ImageMemory& image, const WindowPixelFormat& format) {
    const PresenterFault fault = planted::Current();
    if (fault == PresenterFault::None || format.bytesPerPixel != 4) return;
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(image.pixels) +
                                                     static_cast<std::ptrdiff_t>(y) * image.pitchBytes);
        if (fault == PresenterFault::ColumnsOffByOne) {
            std::memmove(row, row + 1, static_cast<std::size_t>(image.width - 1) * 4);
            continue;
        }
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t& p = row[x];
            if (fault == PresenterFault::LowBitsLost) {
                // A 5-bit channel's low three bits and a 6-bit one's low two, in 8-bit fields.
                p &= ~((format.redMask | format.blueMask) & 0x070707u) & ~(format.greenMask & 0x030303u);
            } else if (fault == PresenterFault::RedBlueSwapped) {
                p = (p & ~(format.redMask | format.blueMask)) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
            }
        }
    }
}

}  // namespace platform::host
