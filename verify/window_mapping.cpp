#include "verify/window_mapping.h"

#include "verify/mask_field.h"
#include "verify/rgb_image.h"

namespace verify {
namespace {

// For each of `shown` window pixels along one side, the frame pixel under its centre; -1 outside
// the picture's `offset`..`offset + size`.
std::vector<int> Centres(int windowSide, int offset, int size, int frameSide) {
    std::vector<int> map(static_cast<std::size_t>(windowSide), -1);
    for (int i = 0; i < size; ++i) {
        const int at = offset + i;
        if (at < 0 || at >= windowSide) continue;
        map[static_cast<std::size_t>(at)] = static_cast<int>((2LL * i + 1) * frameSide / (2LL * size));
    }
    return map;
}

}  // namespace

FittedRect FitInWindow(int frameWidth, int frameHeight, int windowWidth, int windowHeight) {
    FittedRect rect;
    if (frameWidth <= 0 || frameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return rect;
    // The window is wider than the picture when w / h > fw / fh: then the height fills it.
    const long long byWidth = static_cast<long long>(windowWidth) * frameHeight;
    const long long byHeight = static_cast<long long>(windowHeight) * frameWidth;
    if (byWidth > byHeight) {
        rect.height = windowHeight;
        rect.width = static_cast<int>((2 * byHeight + frameHeight) / (2LL * frameHeight));  // rounded
    } else {
        rect.width = windowWidth;
        rect.height = static_cast<int>((2 * byWidth + frameWidth) / (2LL * frameWidth));
    }
    if (rect.width < 1) rect.width = 1;
    if (rect.height < 1) rect.height = 1;
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

void WindowMapping::Prepare(const ScreenFormat& format, int frameWidth, int frameHeight,
                            const diagnostics::WindowImage& window) {
    const std::uint32_t masks[3] = {window.redMask, window.greenMask, window.blueMask};
    const std::uint32_t frameMasks[3] = {format.RedMask(), format.GreenMask(), format.BlueMask()};
    const bool sameLayout = masks[0] == masks_[0] && masks[1] == masks_[1] && masks[2] == masks_[2] &&
                            frameMasks[0] == frameMasks_[0] && frameMasks[1] == frameMasks_[1] &&
                            frameMasks[2] == frameMasks_[2] && !table_.empty();
    if (!sameLayout) {
        table_.resize(0x10000);
        for (std::uint32_t p = 0; p < 0x10000; ++p) {
            std::uint32_t value = 0;
            for (int c = 0; c < 3; ++c) {
                value |= FieldTo(p, frameMasks[c], FieldOfMask(masks[c]).bits) << FieldOfMask(masks[c]).shift;
            }
            table_[p] = value;
        }
        for (int c = 0; c < 3; ++c) {
            masks_[c] = masks[c];
            frameMasks_[c] = frameMasks[c];
        }
        valueMask_ = masks[0] | masks[1] | masks[2];
    }
    if (window.width != width_ || window.height != height_ || columns_.empty()) {
        width_ = window.width;
        height_ = window.height;
        const FittedRect fit = FitInWindow(frameWidth, frameHeight, width_, height_);
        columns_ = Centres(width_, fit.x, fit.width, frameWidth);
        rows_ = Centres(height_, fit.y, fit.height, frameHeight);
    }
}

}  // namespace verify
