// The pixel loops behind Blt and BltFast: copies, colour fills, source-colour-keyed and mirrored
// copies of 16-bit pixels. Callers have already validated and clipped the rectangles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::ddraw {

// A rectangle of pixels: `first` is its top-left pixel, rows are `pitch` pixels apart.
// Blits run on an AVX2 build of the pixel loops where the processor has AVX2; true forces the
// baseline (SSE2) build, so tests and benchmarks can cover both on one machine.
void UseBaselineBlitter(bool baseline);

struct DestPixels {
    std::uint16_t* first;
    std::ptrdiff_t pitch;
    int width;
    int height;
};
struct SourcePixels {
    const std::uint16_t* first;
    std::ptrdiff_t pitch;
    int width;
    int height;
};

// A source colour key low..high. Stored as the low value and the range's span so that "is
// transparent" is one unsigned compare: static_cast<uint16_t>(pixel - low) <= span.
struct ColorKeyRange {
    std::uint16_t low;
    std::uint16_t span;
};

enum MirrorFlags : unsigned { kMirrorNone = 0, kMirrorLeftRight = 1, kMirrorUpDown = 2 };

void FillPixels(DestPixels dest, std::uint16_t value);

// Plain copy of equal-sized rectangles that may overlap (rows are moved in a safe order).
void MovePixels(DestPixels dest, SourcePixels source);

// Copy of equal-sized rectangles that must not overlap, optionally leaving out source pixels
// inside `key` and reversing the image inside the destination left-right and/or up-down.
void BlitPixels(DestPixels dest, SourcePixels source, const ColorKeyRange* key, unsigned mirror);

}  // namespace platform::ddraw
