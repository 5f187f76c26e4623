// The spear-carrying gnoll's walk cycle: its palette and the 14-frame sheet (gnoll.bmp).
#pragma once

#include "image_files.h"

namespace pictures {

// The sprite palette with the gnoll's material colours; index 0 is the colour key.
Palette GnollPalette();

// 500x360 sheet of 14 walking frames (100x120 cells, five to a row), facing right.
IndexImage PaintGnollSheet();

}  // namespace pictures
