// The text ink (gdi/text_ink.h) with the planted text fault.
#include <atomic>

#include "gdi/text_ink.h"
#include "planted_faults.h"

namespace platform::planted {
namespace {

std::atomic<TextFault> gFault{TextFault::None};

}  // namespace

void PlantTextFault(TextFault fault) { gFault.store(fault, std::memory_order_relaxed); }

}  // namespace platform::planted

namespace platform::gdi {

COLORREF TextInk(COLORREF asked) {
    return planted::gFault.load(std::memory_order_relaxed) == planted::TextFault::Blue ? 0x00FF0000 : asked;
}

}  // namespace platform::gdi
