// The colour glyphs are drawn in, from the one the device context was given: the point where a
// test build makes text wrong on purpose, to prove that the frame check sees it. The program
// links text_ink_exact.cpp (the colour as given); only test builds link another.
#pragma once

#include "windef.h"

namespace platform::gdi {

COLORREF TextInk(COLORREF asked);

}  // namespace platform::gdi
