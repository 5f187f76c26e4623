// When a run ends by itself: after --frames N presented frames, the way a user would end it.
#pragma once

#include "platform/options.h"

namespace platform::runtime {

// Installs the policy for these options on the presenter (replacing any earlier one).
void InstallRunPolicy(const Options& options);
void RemoveRunPolicy();

}  // namespace platform::runtime
