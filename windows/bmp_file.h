// Writes 16-bit pixels as a 24-bit BMP file, the image format every Windows viewer opens.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

struct ColorMasks {
    std::uint32_t red, green, blue;
};

// Writes width x height pixels (rows pitchPixels apart) to path, each field widened to 8 bits;
// on failure returns false and the reason in error.
bool WriteBmp(const std::string& path, const std::uint16_t* pixels, int width, int height, int pitchPixels,
              const ColorMasks& masks, std::string& error);

}  // namespace runtime
