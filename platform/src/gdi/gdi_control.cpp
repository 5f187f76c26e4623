#include "gdi/gdi_control.h"

#include "gdi/gdi_objects.h"

namespace platform::gdi {

void FailCreateCompatibleDC(int times) { gFailCreateCompatibleDc.store(times > 0 ? times : 0); }

int LiveGdiObjectCount() {
    auto lock = GdiLock();
    return CountLiveObjects();
}

}  // namespace platform::gdi
