#include "host/sdl/window_readback.h"

#include "common/diagnostics_store.h"
#include "platform/options.h"
#include "run_diagnostics.h"

namespace platform::host {

bool WindowReadback::Due() const {
    if (CurrentScreenChecker() == nullptr) return false;
    return CurrentOptions().lockstep ||
           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - last_).count() >=
               diagnostics::kScreenCheckSpacingMs;
}

void WindowReadback::Deliver(std::uint64_t number, const void* pixels, int width, int height, int pitchBytes,
                             const WindowPixelFormat& format) {
    last_ = std::chrono::steady_clock::now();
    const diagnostics::ScreenChecker checker = CurrentScreenChecker();
    if (checker == nullptr) return;
    const diagnostics::WindowImage image{
        pixels, width, height, pitchBytes, format.bytesPerPixel, format.redMask, format.greenMask, format.blueMask};
    checker(number, &image, nullptr);
}

void WindowReadback::Fail(std::uint64_t number, const char* why) {
    last_ = std::chrono::steady_clock::now();
    if (const diagnostics::ScreenChecker checker = CurrentScreenChecker()) checker(number, nullptr, why);
}

}  // namespace platform::host
