// The background's foreground: meadow and road, then the stones, grass, flowers and fireflies on them.
#pragma once

#include "image_files.h"

namespace pictures {

// Meadow and road: grass in front of the forest, a packed-earth road with ruts in the walk band.
void PaintGround(RgbImage& img);

// Stones, grass tufts, meadow flowers and fireflies, painted over the ground.
void PaintDetails(RgbImage& img);

}  // namespace pictures
