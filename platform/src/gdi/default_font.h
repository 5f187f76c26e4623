// The font every device context draws text with: a proportional sans face with a line of
// about 16 pixels, rendered once per character in monochrome (no antialiasing), so a text
// pixel is either exactly the text colour or untouched.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::gdi {

struct Glyph {
    int left = 0;  // from the pen position to the bitmap's first column
    int top = 0;   // from the baseline up to the bitmap's first row
    int width = 0;
    int rows = 0;
    int advance = 0;                // pen movement to the next character
    std::vector<std::uint8_t> ink;  // width * rows entries, 1 where the glyph is drawn
};

struct Font {
    int ascent = 0;      // from the top of the text cell down to the baseline
    int lineHeight = 0;  // height of the text cell
    Glyph glyphs[256];   // by 8-bit character code, read as Latin-1
};

// The default font, loaded and rendered on first use (thread-safe); null when no font could be
// loaded, which is reported once on stderr.
const Font* DefaultFont();

}  // namespace platform::gdi
