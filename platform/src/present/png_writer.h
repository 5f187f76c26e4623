// Writes 16-bit frames as 8-bit RGB PNG files (for --screenshot and --capture).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/pixel_format.h"

namespace platform::present {

// Widens one 16-bit pixel to 8-bit components by bit replication, so full intensity stays 255
// and black stays 0: a 5-bit c becomes (c << 3) | (c >> 2), a 6-bit c (c << 2) | (c >> 4).
void ToRgb8(PixelFormat format, std::uint16_t pixel, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);

// Writes width x height pixels (rows pitchPixels apart) to path; on failure returns false and
// the reason in error. The file is written under a temporary name and renamed, so path holds a
// complete PNG or is left as it was.
bool WritePng(const std::string& path, const std::uint16_t* pixels, int width, int height, int pitchPixels,
              PixelFormat format, std::string& error);

// The same for 8-bit RGB pixels, 3 bytes a pixel, rows width * 3 apart.
bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height, std::string& error);

// Whether WritePng could write path: it is not a directory or a device, and its temporary file
// can be created beside it (it is removed again). For checking outputs before a run.
bool CanWritePng(const std::string& path, std::string& error);

}  // namespace platform::present
