// The AVX2 build of the blitter's row loops; used only when the processor has AVX2.
#pragma once

#include "ddraw/blit_kernels.h"

namespace platform::ddraw::avx2 {

bool Available();  // false also where this build has no AVX2 code
void FillPixels(DestPixels dest, std::uint16_t value);
void BlitPixels(DestPixels dest, SourcePixels source, const ColorKeyRange* key, unsigned mirror);

}  // namespace platform::ddraw::avx2
