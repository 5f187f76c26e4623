// Turns 16-bit frames into a window's own pixels: copied when the window has the frame's layout,
// widened to 32 bits otherwise, and scaled (nearest pixel) when the window shows the picture at
// another size; the whole picture, or only the rectangles that show a frame's damage. Knows
// nothing of X: the shared-memory presenters hand it the image memory.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host/damage.h"
#include "host/host.h"
#include "host/sdl/column_map.h"

namespace platform::host {

// A window's pixel layout in memory: 2 or 4 bytes per pixel, native byte order.
struct WindowPixelFormat {
    int bytesPerPixel = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t fixedBits = 0;  // set in every pixel: the opaque alpha of a 32-bit-deep window
};

// True when FrameWriter can write this layout: 16-bit 5-6-5 or 5-5-5, or 32-bit pixels whose
// three channels are 8 bits wide each.
bool CanWrite(const WindowPixelFormat& format);

// True when frames can go into a window of this kind: a true-colour visual, whole bytes per pixel
// in this machine's byte order, and a layout CanWrite takes.
bool CanDrawOn(bool trueColour, int bitsPerPixel, bool nativeOrder, const WindowPixelFormat& format);

// Where a picture goes in a window: as large as fits with its shape kept, centred.
struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
PictureRect FitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

// A presenter's picture as last fitted to its window, and the sizes it was fitted for: a frame or
// a window of another size is fitted again, and the fit holds only once what it needs is made.
class PictureFit {
public:
    PictureRect rect;

    bool Holds(int frameWidth, int frameHeight, int windowWidth, int windowHeight) const {
        return ready_ && sizes_ == std::array{frameWidth, frameHeight, windowWidth, windowHeight};
    }
    void Refit(int frameWidth, int frameHeight, int windowWidth, int windowHeight) {
        rect = FitPicture(frameWidth, frameHeight, windowWidth, windowHeight);
        sizes_ = {frameWidth, frameHeight, windowWidth, windowHeight};
        ready_ = false;
    }
    void MarkReady() { ready_ = true; }

private:
    std::array<int, 4> sizes_{};
    bool ready_ = false;
};

// The rectangles of a width x height picture that show the damaged pixels of a frameWidth x
// frameHeight frame scaled to it (nearest pixel). A scaled edge is the source edge scaled down to
// a whole pixel, then widened by one on each side of a scaled axis: a picture pixel by the edge
// may sample the source pixel on either side of it.
void MapToPicture(const Damage& frameDamage, int frameWidth, int frameHeight, int width, int height,
                  Damage& picture);

// Memory to write into: width x height pixels in the writer's format, rows pitchBytes apart.
struct ImageMemory {
    void* pixels;
    int width;
    int height;
    int pitchBytes;
};

class FrameWriter {
public:
    explicit FrameWriter(const WindowPixelFormat& format);

    // Writes frame into image, scaled to the image's size when the two differ.
    void Write(const FrameView& frame, const ImageMemory& image);
    // The same for the image's pixels inside `region` only (MapToPicture's rectangles).
    void Write(const FrameView& frame, const ImageMemory& image, const Damage& region);

private:
    template <class Pixel>
    void WriteAs(const FrameView& frame, const ImageMemory& image, const pixman_box32_t& box);
    // One frame row in the window's format, unscaled.
    void ConvertRow(const std::uint16_t* source, std::uint16_t* dest, int count, PixelFormat sourceFormat) const;
    void ConvertRow(const std::uint16_t* source, std::uint32_t* dest, int count, PixelFormat sourceFormat) const;

    WindowPixelFormat format_;
    ColumnMap columns_;
    std::vector<std::uint32_t> row_;  // one frame row in the window's format, before scaling
};

}  // namespace platform::host
