// A PNG encoder of its own, so the generator needs no library: the icon as 8-bit RGBA.
#pragma once

#include <cstdint>
#include <vector>

#include "image_files.h"

namespace pictures {

// RGBA PNG of the icon; the zlib stream uses stored (uncompressed) deflate blocks.
std::vector<uint8_t> EncodePng(const IconImage& icon);

}  // namespace pictures
