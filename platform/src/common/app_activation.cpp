#include "common/app_activation.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> gActive{true};
std::atomic<void (*)()> gListener{nullptr};

}  // namespace

bool AppActive() { return gActive.load(std::memory_order_acquire); }

void NoteAppActivation(bool active) {
    const bool wasActive = gActive.exchange(active, std::memory_order_acq_rel);
    if (wasActive && !active) {
        if (void (*listener)() = gListener.load(std::memory_order_acquire)) listener();
    }
}

void SetDeactivationListener(void (*listener)()) { gListener.store(listener, std::memory_order_release); }

}  // namespace platform
