// Reads a device-independent bitmap as the executable carries it (a BITMAPINFOHEADER of 40 bytes
// or more, a colour table, then the rows; no file header) and converts it to 16-bit pixels on its
// own, without GDI: uncompressed 8-bit (through the colour table) and 24-bit pictures, stored
// bottom-up or top-down. That is what the program's own pictures are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "verify/pixels.h"

namespace verify {

struct DecodedBitmap {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<Pixel> pixels;  // top row first, width pixels a row
};

// Decodes into `out`, reusing its storage; out.ok is false for anything else than described above
// or a bitmap that does not fit in `size` bytes.
void DecodeBitmap(const std::uint8_t* bytes, std::size_t size, const ScreenFormat& format, DecodedBitmap& out);

}  // namespace verify
