// Where the program hands its display to the frame check (--verify); each is called only when
// diagnostics::VerifyEnabled(). The check reads surfaces back through DirectDraw itself (Lock), so
// it judges whatever DirectDraw the program runs on.
#pragma once

#include <cstdint>

#include "verify/frame_model.h"

struct DisplayContext;

namespace verify {

// A restoration has begun: the flip chain's contents are undefined from here. The one at start-up
// (before the scene exists) starts the check's run.
void NoteRestoration(const DisplayContext& display);

// The pictures were loaded: each is read back and compared with what it was loaded from, and
// kept as read back for re-drawing the frames.
void CheckPictures(DisplayContext& display);

// Frame `number` (as the frame trace counts it) is composed in the back buffer, not yet flipped.
void CheckFrame(DisplayContext& display, const SceneValues& values, std::uint64_t number);

}  // namespace verify
