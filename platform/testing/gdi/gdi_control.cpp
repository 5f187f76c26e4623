#include "gdi/gdi_control.h"

#include "gdi/gdi_objects.h"

namespace platform::gdi {

void FailGdiCall(GdiCall call, int times) { gFailingCalls[static_cast<int>(call)].store(times > 0 ? times : 0); }

int LiveGdiObjectCount() {
    auto lock = GdiLock();
    return CountLiveObjects();
}

}  // namespace platform::gdi
