#include "host/x11_display_loss.h"

#include <X11/Xlib.h>

#include "common/run_end.h"

namespace platform::host {
namespace {

// Xlib ends the process itself if this returns, so it never does.
int OnFatalIoError(Display*) { DisplayLost(); }

}  // namespace

void InstallX11DisplayLossHandler() { XSetIOErrorHandler(&OnFatalIoError); }

}  // namespace platform::host
