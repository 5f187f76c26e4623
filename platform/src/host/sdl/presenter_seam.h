// The points where a test build makes the X11 presenters wrong on purpose, to prove that the
// screen check sees each kind of presenter error. The program links presenter_seam_exact.cpp:
// every frame written, no pixel changed, black bars, scaled rectangles widened, damage rings as
// long as their pools. Only test builds link another.
#pragma once

#include <cstdint>

#include "host/sdl/window_pixels.h"

namespace platform::host {

// Whether frame `number` is to be written at all.
bool WritesFrame(std::uint64_t number);
// Called with the part of the picture just written into image.
void SpoilPicture(const ImageMemory& image, const WindowPixelFormat& format, const Damage& written);
// The window's background pixel, for the bars.
std::uint32_t BarPixel(const WindowPixelFormat& format);
// By how many pixels a damaged rectangle scaled to the window is widened on each side (MapToPicture).
int ScaledRectWidening();
// How many frames' damage a presenter's ring keeps for images up to `pool` frames old (damage_ring.h).
int DamageRingLength(int pool);

}  // namespace platform::host
