// The flickering fireball: its palette, the 6-frame sheet (fireball.bmp) and the program's icon.
#pragma once

#include "image_files.h"

namespace pictures {

// Index 0 is the colour key, 1..63 a ramp from dark red to white heat.
Palette FirePalette();

// 384x64 sheet of 6 looping frames, 64x64 each.
IndexImage PaintFireballSheet();

// Icon: the fireball at `size` x `size` pixels, supersampled so its edge is smooth through the
// alpha channel.
IconImage PaintIcon(int size);

}  // namespace pictures
