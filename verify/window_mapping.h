// How a right display path shows a 640x480 16-bit frame in a window of any size and pixel layout,
// written from the definitions, independently of any presenter: the picture as large as fits
// with its shape kept, centred; each window pixel the frame pixel under its centre; each colour
// field widened (or narrowed) to the window's by repeating its top bits; black around it. No
// Windows header here.
#pragma once

#include <cstdint>
#include <vector>

#include "run_diagnostics.h"
#include "verify/pixels.h"

namespace verify {

struct FittedRect {
    int x = 0, y = 0, width = 0, height = 0;
};
FittedRect FitInWindow(int frameWidth, int frameHeight, int windowWidth, int windowHeight);

class WindowMapping {
public:
    // Ready for frames of `format` and size into windows like `window` (cheap when unchanged).
    void Prepare(const ScreenFormat& format, int frameWidth, int frameHeight, const diagnostics::WindowImage& window);

    // Window row y as it should be, one value a pixel, from the frame's rows.
    template <class Rows>
    void ExpectedRow(int y, const Rows& frameRow, std::uint32_t* out) const {
        const int source = rows_[static_cast<std::size_t>(y)];
        if (source < 0) {
            for (int x = 0; x < width_; ++x) out[x] = 0;
            return;
        }
        const Pixel* row = frameRow(source);
        for (int x = 0; x < width_; ++x) {
            const int column = columns_[static_cast<std::size_t>(x)];
            out[x] = column < 0 ? 0 : table_[row[column]];
        }
    }
    // The bits of a window pixel that hold its colour.
    std::uint32_t ValueMask() const { return valueMask_; }

private:
    int width_ = 0, height_ = 0;
    std::uint32_t masks_[3] = {};
    std::uint32_t frameMasks_[3] = {};
    std::uint32_t valueMask_ = 0;
    std::vector<int> columns_, rows_;   // the frame column (row) each window column (row) shows, -1 for a bar
    std::vector<std::uint32_t> table_;  // every frame pixel in the window's layout
};

}  // namespace verify
