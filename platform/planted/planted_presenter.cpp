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

int DamageRingLength(int pool) {
    return planted::Current() == PresenterFault::DamageRingOneShort && pool > 1 ? pool - 1 : pool;
}

int ScaledRectWidening() { return planted::Current() == PresenterFault::ScaledRectNotWidened ? 0 : 1; }

void SpoilPicture(const ImageMemory& image, const WindowPixelFormat& format, const Damage& written) {
    const PresenterFault fault = planted::Current();
    if (format.bytesPerPixel != 4) return;
    if (fault != PresenterFault::LowBitsLost && fault != PresenterFault::RedBlueSwapped &&
        fault != PresenterFault::ColumnsOffByOne) {
        return;
    }
    for (const pixman_box32_t& box : written.Boxes()) {
        for (int y = box.y1; y < box.y2; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(image.pixels) +
                                                         static_cast<std::ptrdiff_t>(y) * image.pitchBytes);
            if (fault == PresenterFault::ColumnsOffByOne) {
                std::memmove(row + box.x1, row + box.x1 + 1, static_cast<std::size_t>(box.x2 - box.x1 - 1) * 4);
                continue;
            }
            for (int x = box.x1; x < box.x2; ++x) {
                std::uint32_t& p = row[x];
                if (fault == PresenterFault::LowBitsLost) {
                    // A 5-bit channel's low three bits and a 6-bit one's low two, in 8-bit fields.
                    p &= ~((format.redMask | format.blueMask) & 0x070707u) & ~(format.greenMask & 0x030303u);
                } else {
                    p = (p & ~(format.redMask | format.blueMask)) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
                }
            }
        }
    }
}

}  // namespace platform::host
