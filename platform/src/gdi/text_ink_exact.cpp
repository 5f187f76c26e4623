// The program's text ink (text_ink.h): the colour as given.
#include "gdi/text_ink.h"

namespace platform::gdi {

COLORREF TextInk(COLORREF asked) { return asked; }

}  // namespace platform::gdi
