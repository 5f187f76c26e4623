// A fault a test plants in what the presenters put on the screen, to prove that the screen check
// sees each kind of presenter error. Nothing plants one outside tests
// (host/sdl/planted_fault_control.h), and then every call here does nothing.
#pragma once

#include <cstdint>

#include "host/sdl/window_pixels.h"

namespace platform::host {

enum class PlantedFault {
    Nothing,
    FlipNotTaken,  // every tenth frame is not written: the window shows an older one
    LowBitsLost,   // 16-bit channels widened by a shift alone, their low bits left zero
    RedBlueSwapped,
    ColumnsOffByOne,  // each row of the picture one pixel to the left
    BarsNotBlack,     // the window's background, and so the bars, dark red
};

PlantedFault CurrentPlantedFault();

// Whether frame `number` is to be written at all.
bool WritesFrame(std::uint64_t number);
// Spoils the picture just written into image.
void SpoilPicture(const ImageMemory& image, const WindowPixelFormat& format);
// The window's background pixel, for the bars.
std::uint32_t BarPixel(const WindowPixelFormat& format);

}  // namespace platform::host
