// The CRC-32 of a frame with the counter's area zeroed, so that runs whose counters read
// differently (another frame rate, another font) still give the same sequence. No Windows header.
#pragma once

#include <cstdint>

#include "run_diagnostics.h"
#include "verify/frame_model.h"

namespace verify {

// The counter's area: its text in any font fits here.
constexpr Rect kCounterArea = {292, 456, 640, 480};

// `rowOf(y)` gives row y of the frame, kScreenWidth pixels.
template <typename RowOf>
std::uint32_t CounterlessCrc(RowOf rowOf) {
    static const Pixel zeros[kScreenWidth] = {};
    std::uint32_t crc = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
        const Pixel* row = rowOf(y);
        if (y < kCounterArea.top || y >= kCounterArea.bottom) {
            crc = diagnostics::Crc32(crc, row, sizeof(Pixel) * kScreenWidth);
            continue;
        }
        crc = diagnostics::Crc32(crc, row, sizeof(Pixel) * kCounterArea.left);
        crc = diagnostics::Crc32(crc, zeros, sizeof(Pixel) * kCounterArea.Width());
        crc = diagnostics::Crc32(crc, row + kCounterArea.right, sizeof(Pixel) * (kScreenWidth - kCounterArea.right));
    }
    return crc;
}

}  // namespace verify
