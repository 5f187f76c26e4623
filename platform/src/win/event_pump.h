// Turns what the host reports (keys, focus, mouse, close requests) into window messages.
#pragma once

namespace platform::win {

// Presses Escape when a stop was requested (common/run_end.h), then drains the host's pending
// events: keys and close requests are posted to the main window's queue, activation and cursor
// requests are sent to its procedure at once (as Windows sends them). Events arriving while there
// is no window are dropped.
void PumpHostEvents();

}  // namespace platform::win
