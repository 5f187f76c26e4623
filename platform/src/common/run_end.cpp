#include "common/run_end.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

// Lock-free, so a signal handler may set it.
std::atomic<bool> gStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

std::atomic<bool> gOutputLost{false};
std::mutex gLostTextMutex;
std::string gLostText;  // under gLostTextMutex
std::atomic<DisplayLostHandler> gDisplayLostHandler{nullptr};
std::atomic<bool> gDisplayLost{false};

}  // namespace

void RequestStop() { gStopRequested.store(true); }

bool TakeStopRequest() { return gStopRequested.exchange(false); }

bool StopRequested() { return gStopRequested.load(); }

void ReportLostOutput(const std::string& message) {
    std::fprintf(stderr, "vornhollow: %s\n", message.c_str());
    std::fflush(stderr);
    {
        std::lock_guard lock(gLostTextMutex);
        if (gLostText.empty()) gLostText = message;
    }
    gOutputLost.store(true);
    RequestStop();
}

bool OutputLost() { return gOutputLost.load(); }

std::string LostOutputText() {
    std::lock_guard lock(gLostTextMutex);
    return gLostText;
}

void ForgetRunEnd() {
    gStopRequested.store(false);
    gOutputLost.store(false);
    std::lock_guard lock(gLostTextMutex);
    gLostText.clear();
}

void SetDisplayLostHandler(DisplayLostHandler handler) { gDisplayLostHandler.store(handler); }

void DisplayLost(const char* what) {
    // Another thread got here first and is writing the outputs; it ends the process.
    if (gDisplayLost.exchange(true)) {
        for (;;) ::pause();
    }
    std::fprintf(stderr, "vornhollow: %s\n", what);
    std::fflush(stderr);
    if (const DisplayLostHandler handler = gDisplayLostHandler.load()) handler();
    // No exit handlers or destructors: they would talk to the display that is gone.
    ::_exit(1);
}

}  // namespace platform
