// Test controls of the GDI: injected failures and a count of live objects, so tests
// can check failure paths and that every DC and bitmap made is also given back.
#pragma once

namespace platform::gdi {

// The next `times` calls of CreateCompatibleDC return NULL (0 stops failing).
void FailCreateCompatibleDC(int times);
// Device contexts and bitmaps alive now, stock objects not counted.
int LiveGdiObjectCount();

}  // namespace platform::gdi
