// The row loops of the blitter, written once and compiled twice: for baseline x86-64 in
// blit_kernels.cpp and for AVX2 in blit_kernels_avx2.cpp (chosen at run time). `Vector`
// describes the explicit vectors the mirrored rows use:
//   using Type = (GCC vector of uint16_t);  static constexpr int kLanes;  static Type Reverse(Type);
// Each includer passes a Vector type of internal linkage, so the two builds never mix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ddraw/blit_kernels.h"

namespace platform::ddraw::rows {

using Pixel = std::uint16_t;

template <typename Vector>
inline typename Vector::Type Load(const Pixel* p) {
    typename Vector::Type v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename Vector>
inline void Store(Pixel* p, typename Vector::Type v) {
    std::memcpy(p, &v, sizeof v);
}

// Every function is a template on Vector, so each build's copies stay its own (no shared inline
// function that the linker could take from the AVX2 build for the baseline one).

// Keyed rows: a branch-free select the compiler vectorises.
template <typename Vector>
inline void KeyedRow(Pixel* __restrict d, const Pixel* __restrict s, int n, Pixel low, Pixel span) {
    for (int i = 0; i < n; ++i) {
        const Pixel p = s[i];
        d[i] = static_cast<Pixel>(p - low) <= span ? d[i] : p;
    }
}

template <typename Vector>
inline void FillRow(Pixel* __restrict d, int n, Pixel value) {
    for (int i = 0; i < n; ++i) d[i] = value;
}

// d[i] = s[n - 1 - i]. Reversed loads are written by hand: the auto-vectoriser does not find
// a good permutation for them.
template <typename Vector>
inline void MirrorRow(Pixel* __restrict d, const Pixel* __restrict s, int n) {
    constexpr int kLanes = Vector::kLanes;
    if (n < kLanes) {
        for (int i = 0; i < n; ++i) d[i] = s[n - 1 - i];
        return;
    }
    // Whole vectors, then one last vector that ends at the row's end and may overlap the one
    // before: writing a pixel twice with the same value is harmless.
    auto mirrorAt = [&](int i) { Store<Vector>(d + i, Vector::Reverse(Load<Vector>(s + n - kLanes - i))); };
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) mirrorAt(i);
    if (i < n) mirrorAt(n - kLanes);
}

template <typename Vector>
inline void KeyedMirrorRow(Pixel* __restrict d, const Pixel* __restrict s, int n, Pixel low, Pixel span) {
    using V = typename Vector::Type;
    constexpr int kLanes = Vector::kLanes;
    const V lowV = V{} + low;
    const V spanV = V{} + span;
    if (n < kLanes) {
        for (int i = 0; i < n; ++i) {
            const Pixel p = s[n - 1 - i];
            d[i] = static_cast<Pixel>(p - low) <= span ? d[i] : p;
        }
        return;
    }
    // As in MirrorRow, the last vector may overlap: the keyed select is idempotent, since a
    // pixel already written holds either the source value or the untouched destination value.
    auto keyedMirrorAt = [&](int i) {
        const V p = Vector::Reverse(Load<Vector>(s + n - kLanes - i));
        const V old = Load<Vector>(d + i);
        Store<Vector>(d + i, (p - lowV) <= spanV ? old : p);
    };
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) keyedMirrorAt(i);
    if (i < n) keyedMirrorAt(n - kLanes);
}

template <typename Vector>
void FillRect(DestPixels dest, Pixel value) {
    Pixel* row = dest.first;
    for (int y = 0; y < dest.height; ++y, row += dest.pitch) FillRow<Vector>(row, dest.width, value);
}

template <typename Vector>
void BlitRect(DestPixels dest, SourcePixels source, const ColorKeyRange* key, unsigned mirror) {
    // Up-down mirroring is only the order of the source rows.
    const Pixel* s = source.first;
    std::ptrdiff_t sourceStep = source.pitch;
    if (mirror & kMirrorUpDown) {
        s += (source.height - 1) * source.pitch;
        sourceStep = -source.pitch;
    }
    Pixel* d = dest.first;
    const int n = dest.width;
    const int rows = dest.height;
    const bool leftRight = (mirror & kMirrorLeftRight) != 0;

    if (key == nullptr && !leftRight) {
        const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(Pixel);
        for (int y = 0; y < rows; ++y, d += dest.pitch, s += sourceStep) std::memcpy(d, s, bytes);
    } else if (key == nullptr) {
        for (int y = 0; y < rows; ++y, d += dest.pitch, s += sourceStep) MirrorRow<Vector>(d, s, n);
    } else if (!leftRight) {
        for (int y = 0; y < rows; ++y, d += dest.pitch, s += sourceStep) KeyedRow<Vector>(d, s, n, key->low, key->span);
    } else {
        for (int y = 0; y < rows; ++y, d += dest.pitch, s += sourceStep)
            KeyedMirrorRow<Vector>(d, s, n, key->low, key->span);
    }
}

}  // namespace platform::ddraw::rows
