#include "runtime/stop_signals.h"

#include <signal.h>

#include <atomic>
#include <iterator>

#include "common/run_end.h"

namespace platform::runtime {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction gPrevious[std::size(kStopSignals)];
std::atomic<bool> gSignalled{false};

// Only async-signal-safe work here: the flag, and for a second signal the default action.
void OnStopSignal(int number) {
    if (gSignalled.exchange(true)) {
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    RequestStop();
}

}  // namespace

void InstallStopSignals() {
    gSignalled.store(false);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        ::sigaction(kStopSignals[i], nullptr, &gPrevious[i]);
        if (gPrevious[i].sa_handler != SIG_IGN) ::sigaction(kStopSignals[i], &action, nullptr);
    }
}

void RemoveStopSignals() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) ::sigaction(kStopSignals[i], &gPrevious[i], nullptr);
}

}  // namespace platform::runtime
