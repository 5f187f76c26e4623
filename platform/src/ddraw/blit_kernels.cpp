// Baseline (SSE2) build of the row loops, and the run-time choice of the AVX2 build.
#include "ddraw/blit_kernels.h"

#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ddraw/blit_kernels_avx2.h"
#include "ddraw/blit_rows.h"

namespace platform::ddraw {
namespace {

struct Sse2Vector {
    using Type = std::uint16_t __attribute__((vector_size(16)));
    static constexpr int kLanes = 8;

    // On SSE2 three shuffles (swap the halves, then reverse within each half); GCC's generic
    // lowering of the same permutation goes through general registers.
    static Type Reverse(Type v) {
#if defined(__SSE2__)
        __m128i x = reinterpret_cast<__m128i>(v);
        x = _mm_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2));
        x = _mm_shufflelo_epi16(x, _MM_SHUFFLE(0, 1, 2, 3));
        x = _mm_shufflehi_epi16(x, _MM_SHUFFLE(0, 1, 2, 3));
        return reinterpret_cast<Type>(x);
#else
        return __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0);
#endif
    }
};

// Wider vectors pay for fills, keyed and mirrored rows (see bench/blit_bench.cpp).
const bool kHasAvx2 = avx2::Available();
std::atomic<bool> gBaselineOnly{false};

bool UseAvx2() { return kHasAvx2 && !gBaselineOnly.load(std::memory_order_relaxed); }

}  // namespace

void UseBaselineBlitter(bool baseline) { gBaselineOnly.store(baseline, std::memory_order_relaxed); }

void FillPixels(DestPixels dest, std::uint16_t value) {
    if (UseAvx2()) return avx2::FillPixels(dest, value);
    rows::FillRect<Sse2Vector>(dest, value);
}

void BlitPixels(DestPixels dest, SourcePixels source, const ColorKeyRange* key, unsigned mirror) {
    if (UseAvx2()) return avx2::BlitPixels(dest, source, key, mirror);
    rows::BlitRect<Sse2Vector>(dest, source, key, mirror);
}

void MovePixels(DestPixels dest, SourcePixels source) {
    const std::size_t bytes = static_cast<std::size_t>(dest.width) * sizeof(std::uint16_t);
    if (dest.first > source.first) {
        // Moving down (or right on the same row): walk from the bottom row up.
        std::uint16_t* d = dest.first + (dest.height - 1) * dest.pitch;
        const std::uint16_t* s = source.first + (source.height - 1) * source.pitch;
        for (int y = 0; y < dest.height; ++y, d -= dest.pitch, s -= source.pitch) std::memmove(d, s, bytes);
    } else {
        std::uint16_t* d = dest.first;
        const std::uint16_t* s = source.first;
        for (int y = 0; y < dest.height; ++y, d += dest.pitch, s += source.pitch) std::memmove(d, s, bytes);
    }
}

}  // namespace platform::ddraw
