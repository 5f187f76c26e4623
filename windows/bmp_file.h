// Writes pictures as 24-bit BMP files, the image format every Windows viewer opens.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

// Writes width x height pixels of 8-bit red, green and blue (3 bytes a pixel, rows width * 3
// apart) to path, whole or not at all (report/atomic_file.h); on failure returns false and the
// reason in error.
bool WriteBmp(const std::string& path, const std::uint8_t* rgb, int width, int height, std::string& error);

}  // namespace runtime
