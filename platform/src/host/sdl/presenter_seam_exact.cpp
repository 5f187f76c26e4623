// The program's presenter seam (presenter_seam.h): it changes nothing.
#include "host/sdl/presenter_seam.h"

namespace platform::host {

bool WritesFrame(std::uint64_t) { return true; }

void SpoilPicture(const ImageMemory&, const WindowPixelFormat&, const Damage&) {}

std::uint32_t BarPixel(const WindowPixelFormat& format) { return format.fixedBits; }

int ScaledRectWidening() { return 1; }

int DamageRingLength(int pool) { return pool; }

}  // namespace platform::host
