#include "runtime/run_policy.h"

#include <cstdint>

#include "common/run_end.h"
#include "present/presenter.h"

namespace platform::runtime {

void InstallRunPolicy(const Options& options) {
    const std::uint64_t last = options.frames;
    if (last == 0) {
        RemoveRunPolicy();
        return;
    }
    SetFramePresentedHook([last](std::uint64_t number) {
        if (number == last) RequestStop();
    });
}

void RemoveRunPolicy() { SetFramePresentedHook(nullptr); }

}  // namespace platform::runtime
