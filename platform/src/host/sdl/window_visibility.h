// Whether a window already on the screen is unobscured, asked of the X server. A client that
// selects VisibilityChange on a window hears only of later changes: a presenter that starts on a
// window already shown asks once, and the events say the rest.
#pragma once

#include <xcb/xcb.h>

namespace platform::host {

// True when the window is viewable and nothing covers any of it, as VisibilityUnobscured means:
// its map state is viewable and, at each level from it up to the root, the window lies whole
// inside its parent and no mapped InputOutput sibling stacked above it overlaps it. False when
// anything does, or the server refuses a question (a window gone meanwhile).
bool AskUnobscured(xcb_connection_t* c, xcb_window_t window);

}  // namespace platform::host
