// The draw operations of a frame re-drawn in plain scalar loops, written from the blit
// definitions: copy, source colour key, mirror left-right and up-down, colour fill, clipping, and
// the nearest-pixel stretch a picture load makes. These share no code with any DirectDraw
// implementation, so the two cannot be wrong together.
#pragma once

#include "verify/pixels.h"

namespace verify {

// Copies rectangle `from` of `source` to the rectangle of the same size whose top-left corner is
// (x, y) of `dest`. Mirrored left-right, the destination's column u (from its left) takes the
// source's column width - 1 - u; up-down likewise for rows. Destination pixels outside `dest`,
// and those whose source pixel lies outside `source`, are left alone: nothing is read or written
// outside either image, whatever the rectangle. With a key, source pixels equal to it leave the
// destination as it was. When `owners` is given, every pixel written is recorded as the owners'
// current step.
void Copy(const Image& dest, int x, int y, const ConstImage& source, const Rect& from, const Pixel* key,
          unsigned mirror, const Owners* owners);

// Sets every pixel of `area` (cut to `dest`) to value.
void Fill(const Image& dest, const Rect& area, Pixel value, const Owners* owners);

// Scales the whole of `source` onto the whole of `dest`: destination (x, y) takes source
// (x * sw / dw, y * sh / dh).
void StretchNearest(const Image& dest, const ConstImage& source);

}  // namespace verify
