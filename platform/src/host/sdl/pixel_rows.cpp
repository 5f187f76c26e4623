#include "host/sdl/pixel_rows.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform::host::rows {
namespace {

// The loops are written plainly for the compiler to vectorise; each body is inlined into a
// baseline and an AVX2 function below.
#define VH_ROW_BODY inline __attribute__((always_inline))

VH_ROW_BODY std::uint32_t WidenChannel(std::uint32_t pixel, const Channel& c) {
    const std::uint32_t value = (pixel >> c.sourceShift) & ((1u << c.sourceBits) - 1);
    const std::uint32_t wide = (value << (8 - c.sourceBits)) | (value >> (2 * c.sourceBits - 8));
    return wide << c.destShift;
}

VH_ROW_BODY void WidenBody(const std::uint16_t* source, std::uint32_t* dest, int count, Widening w) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t p = source[i];
        dest[i] = w.fixedBits | WidenChannel(p, w.red) | WidenChannel(p, w.green) | WidenChannel(p, w.blue);
    }
}

// All three channels are put in place at once, then their top bits repeated below them at once.
template <bool kFrom565>
VH_ROW_BODY void WidenToRgbBody(const std::uint16_t* source, std::uint32_t* dest, int count, std::uint32_t fixed) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t p = source[i];
        std::uint32_t rgb;
        if constexpr (kFrom565) {
            rgb = ((p << 8) & 0xF80000u) | ((p << 5) & 0x00FC00u) | ((p << 3) & 0x0000F8u);
            rgb |= ((rgb >> 5) & 0x070007u) | ((rgb >> 6) & 0x000300u);
        } else {
            rgb = ((p << 9) & 0xF80000u) | ((p << 6) & 0x00F800u) | ((p << 3) & 0x0000F8u);
            rgb |= (rgb >> 5) & 0x070707u;
        }
        dest[i] = rgb | fixed;
    }
}

VH_ROW_BODY void Reformat16Body(const std::uint16_t* source, std::uint16_t* dest, int count, bool to565) {
    if (to565) {
        // Red and green move up one bit; green's top bit repeats below it.
        for (int i = 0; i < count; ++i) {
            const unsigned p = source[i];
            dest[i] = static_cast<std::uint16_t>(((p & 0x7FE0u) << 1) | ((p >> 4) & 0x20u) | (p & 0x1Fu));
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const unsigned p = source[i];
            dest[i] = static_cast<std::uint16_t>(((p >> 1) & 0x7FE0u) | (p & 0x1Fu));
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define VH_X86 1
#define VH_AVX2 __attribute__((target("avx2")))
const bool kHasAvx2 = [] {
    __builtin_cpu_init();  // may run from a static initialiser, before libgcc's own
    return __builtin_cpu_supports("avx2") != 0;
}();
#else
#define VH_AVX2
const bool kHasAvx2 = false;
#endif

VH_AVX2 void WidenAvx2(const std::uint16_t* s, std::uint32_t* d, int n, Widening w) { WidenBody(s, d, n, w); }
void WidenBaseline(const std::uint16_t* s, std::uint32_t* d, int n, Widening w) { WidenBody(s, d, n, w); }

template <bool kFrom565>
VH_AVX2 void WidenToRgbAvx2(const std::uint16_t* s, std::uint32_t* d, int n, std::uint32_t fixed) {
    WidenToRgbBody<kFrom565>(s, d, n, fixed);
}

#if defined(VH_X86)
// 5-6-5 to red, green and blue bytes, sixteen pixels at a time in 16-bit lanes: the low half of
// each output pixel (green and blue bytes) and the high half (red and the fixed bits) are made
// apart and interleaved, a third of the operations of working in 32-bit lanes.
template <>
VH_AVX2 void WidenToRgbAvx2<true>(const std::uint16_t* s, std::uint32_t* d, int n, std::uint32_t fixed) {
    const __m256i fixedHigh = _mm256_set1_epi16(static_cast<short>(fixed >> 16));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        // Quarters in the order 0, 2, 1, 3: the in-lane interleaves below then give pixels in order.
        p = _mm256_permute4x64_epi64(p, 0xD8);
        const __m256i green = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(p, 5), _mm256_set1_epi16(0xFC00)),
                                              _mm256_and_si256(_mm256_srli_epi16(p, 1), _mm256_set1_epi16(0x0300)));
        const __m256i blue = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(p, 3), _mm256_set1_epi16(0x00F8)),
                                             _mm256_and_si256(_mm256_srli_epi16(p, 2), _mm256_set1_epi16(0x0007)));
        const __m256i red = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(p, 8), _mm256_set1_epi16(0x00F8)),
                                            _mm256_srli_epi16(p, 13));
        const __m256i low = _mm256_or_si256(green, blue);
        const __m256i high = _mm256_or_si256(red, fixedHigh);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_unpacklo_epi16(low, high));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 8), _mm256_unpackhi_epi16(low, high));
    }
    WidenToRgbBody<true>(s + i, d + i, n - i, fixed);
}
#endif
template <bool kFrom565>
void WidenToRgbBaseline(const std::uint16_t* s, std::uint32_t* d, int n, std::uint32_t fixed) {
    WidenToRgbBody<kFrom565>(s, d, n, fixed);
}

VH_AVX2 void Reformat16Avx2(const std::uint16_t* s, std::uint16_t* d, int n, bool to565) {
    Reformat16Body(s, d, n, to565);
}
void Reformat16Baseline(const std::uint16_t* s, std::uint16_t* d, int n, bool to565) { Reformat16Body(s, d, n, to565); }

std::atomic<bool> gBaselineOnly{false};
bool UseAvx2() { return kHasAvx2 && !gBaselineOnly.load(std::memory_order_relaxed); }

}  // namespace

bool CpuHasAvx2() { return kHasAvx2; }

void UseBaselineRows(bool baseline) { gBaselineOnly.store(baseline, std::memory_order_relaxed); }

void Widen(const std::uint16_t* source, std::uint32_t* dest, int count, const Widening& widening) {
    (UseAvx2() ? WidenAvx2 : WidenBaseline)(source, dest, count, widening);
}

void WidenToRgb(const std::uint16_t* source, std::uint32_t* dest, int count, bool from565, std::uint32_t fixedBits) {
    if (UseAvx2()) {
        (from565 ? WidenToRgbAvx2<true> : WidenToRgbAvx2<false>)(source, dest, count, fixedBits);
    } else {
        (from565 ? WidenToRgbBaseline<true> : WidenToRgbBaseline<false>)(source, dest, count, fixedBits);
    }
}

void Reformat16(const std::uint16_t* source, std::uint16_t* dest, int count, bool to565) {
    (UseAvx2() ? Reformat16Avx2 : Reformat16Baseline)(source, dest, count, to565);
}

}  // namespace platform::host::rows
