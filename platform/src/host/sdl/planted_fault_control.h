// Plants a presenter fault (host/sdl/planted_fault.h) for tests; PlantedFault::Nothing removes it.
#pragma once

#include "host/sdl/planted_fault.h"

namespace platform::testing {

void PlantPresenterFault(host::PlantedFault fault);

}  // namespace platform::testing
