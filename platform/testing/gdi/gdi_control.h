// Test controls of the GDI: injected failures and a count of live objects, so tests
// can check failure paths and that every DC and bitmap made is also given back.
#pragma once

#include "gdi/gdi_objects.h"

namespace platform::gdi {

// The next `times` calls of `call` fail as that call reports failure (CreateCompatibleDC and
// SetBkMode 0, SetTextColor CLR_INVALID, TextOutA FALSE); 0 stops failing.
void FailGdiCall(GdiCall call, int times);
// Device contexts and bitmaps alive now, stock objects not counted.
int LiveGdiObjectCount();

}  // namespace platform::gdi
