// Plain 16-bit pixel arrays for the frame check: views of images, rectangles, the screen's pixel
// layout and the per-pixel record of which draw step wrote a pixel. No Windows header here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verify {

using Pixel = std::uint16_t;

// Right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Pixels in rows `pitch` pixels apart.
struct Image {
    Pixel* pixels = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t pitch = 0;
    Pixel* Row(int y) const { return pixels + y * pitch; }
};
struct ConstImage {
    const Pixel* pixels = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t pitch = 0;
    ConstImage() = default;
    ConstImage(const Pixel* p, int w, int h, std::ptrdiff_t pitchPixels)
        : pixels(p), width(w), height(h), pitch(pitchPixels) {}
    ConstImage(const Image& image)
        : pixels(image.pixels), width(image.width), height(image.height), pitch(image.pitch) {}
    const Pixel* Row(int y) const { return pixels + y * pitch; }
    Pixel At(int x, int y) const { return pixels[y * pitch + x]; }
};

// A 16-bit layout given by its three colour masks: a colour becomes a pixel by keeping the
// highest bits of each 8-bit component that fit its field.
class ScreenFormat {
public:
    ScreenFormat() = default;
    ScreenFormat(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask);
    Pixel FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;
    std::uint32_t RedMask() const { return red_.mask; }
    std::uint32_t GreenMask() const { return green_.mask; }
    std::uint32_t BlueMask() const { return blue_.mask; }

private:
    struct Field {
        std::uint32_t mask = 0;
        int shift = 0;
        int bits = 0;
    };
    static Field Analyse(std::uint32_t mask);
    Field red_, green_, blue_;
};

enum Mirror : unsigned { kNoMirror = 0, kMirrorLeftRight = 1, kMirrorUpDown = 2 };

// Which draw step of the current frame last wrote each pixel of a screen-sized image: a pixel
// belongs to the frame's steps only where its stamp is the frame's serial, so nothing has to be
// cleared between frames.
struct Owners {
    std::uint32_t* stamps = nullptr;
    std::uint8_t* steps = nullptr;
    std::ptrdiff_t pitch = 0;
    std::uint32_t serial = 0;
    std::uint8_t step = 0;  // the step now drawing
};

}  // namespace verify
