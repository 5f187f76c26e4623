// The dusk landscape behind the scene (background.bmp) and the layout constants its layers share.
#pragma once

#include <vector>

#include "image_files.h"

namespace pictures {

// The picture fills the screen. Screen rows 347..474 are the road band the creature walks in.
inline constexpr int kScreenW = 640;
inline constexpr int kScreenH = 480;
inline constexpr double kHorizonY = 304;  // the sky's gradient ends here; distant layers fade to its colour
inline constexpr double kSunX = 486;      // the sun has just set behind the hills here: warm light comes from it

// Paints the whole 640x480 landscape, quantised to 8 bits per channel, rows top-down.
std::vector<Color8> PaintBackground();

}  // namespace pictures
