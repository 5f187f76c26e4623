// AVX2 build of the row loops. Every library header comes before the target pragma, so no
// shared inline function is compiled for AVX2; only this file's own code is.
#include "ddraw/blit_kernels_avx2.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VH_BLIT_AVX2 1
#include <immintrin.h>
#endif

#if VH_BLIT_AVX2
#pragma GCC push_options
#pragma GCC target("avx2")
#include "ddraw/blit_rows.h"

namespace platform::ddraw::avx2 {
namespace {

struct Avx2Vector {
    using Type = std::uint16_t __attribute__((vector_size(32)));
    static constexpr int kLanes = 16;

    // Reverse the pixels inside each 128-bit half, then swap the halves.
    static Type Reverse(Type v) {
        const __m256i inHalves = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1,  //
                                                  14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
        const __m256i x = _mm256_shuffle_epi8(reinterpret_cast<__m256i>(v), inHalves);
        return reinterpret_cast<Type>(_mm256_permute4x64_epi64(x, 0x4E));
    }
};

}  // namespace

void FillPixels(DestPixels dest, std::uint16_t value) { rows::FillRect<Avx2Vector>(dest, value); }

void BlitPixels(DestPixels dest, SourcePixels source, const ColorKeyRange* key, unsigned mirror) {
    rows::BlitRect<Avx2Vector>(dest, source, key, mirror);
}

}  // namespace platform::ddraw::avx2
#pragma GCC pop_options

namespace platform::ddraw::avx2 {
bool Available() {
    __builtin_cpu_init();  // may run from a static initialiser, before libgcc's own
    return __builtin_cpu_supports("avx2") != 0;
}
}  // namespace platform::ddraw::avx2

#else

namespace platform::ddraw::avx2 {
bool Available() { return false; }
void FillPixels(DestPixels, std::uint16_t) {}
void BlitPixels(DestPixels, SourcePixels, const ColorKeyRange*, unsigned) {}
}  // namespace platform::ddraw::avx2

#endif
