#include "ddraw/device.h"

#include "ddraw/control_state.h"

namespace platform::ddraw {

bool Device::TryCharge(std::uint64_t bytes) {
    if (bytes > budgetBytes_ - usedBytes_) return false;
    usedBytes_ += bytes;
    detail::AddVideoMemoryUsed(static_cast<std::int64_t>(bytes));
    return true;
}

void Device::Refund(std::uint64_t bytes) {
    usedBytes_ -= bytes;
    detail::AddVideoMemoryUsed(-static_cast<std::int64_t>(bytes));
}

}  // namespace platform::ddraw
