#include "host/sdl/planted_fault_control.h"

#include <atomic>

namespace platform::host {
extern std::atomic<PlantedFault> gPlantedFault;
}

namespace platform::testing {

void PlantPresenterFault(host::PlantedFault fault) { host::gPlantedFault.store(fault, std::memory_order_relaxed); }

}  // namespace platform::testing
