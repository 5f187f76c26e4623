#include "host/sdl/column_map.h"

#include "host/sdl/pixel_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VH_PERMUTE_BLOCKS 1
#endif

namespace platform::host {
namespace {

template <class Pixel>
void PickEach(const Pixel* row, const int* column, Pixel* dest, int from, int to) {
    for (int x = from; x < to; ++x) dest[x] = row[column[x]];
}

}  // namespace

#if VH_PERMUTE_BLOCKS
namespace {
__attribute__((target("avx2"))) void PermuteBlocks(const std::uint32_t* row, const std::int32_t* blocks, int count,
                                                   std::uint32_t* dest) {
    for (int b = 0; b < count; ++b, blocks += 9) {  // eight offsets, then the first column
        const __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + blocks[8]));
        const __m256i picks = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + 8 * b), _mm256_permutevar8x32_epi32(source, picks));
    }
}
}  // namespace
#endif

void ColumnMap::Prepare(int sourceWidth, int destWidth) {
    if (sourceWidth == sourceWidth_ && destWidth == destWidth_) return;
    sourceWidth_ = sourceWidth;
    destWidth_ = destWidth;
    column_.resize(static_cast<std::size_t>(destWidth));
    for (int x = 0; x < destWidth; ++x) {
        column_[static_cast<std::size_t>(x)] = static_cast<int>((2LL * x + 1) * sourceWidth / (2LL * destWidth));
    }
    blocks_.clear();
    for (int x = 0; x + 8 <= destWidth; x += 8) {
        const int first = column_[static_cast<std::size_t>(x)];
        if (column_[static_cast<std::size_t>(x + 7)] - first > 7) {
            blocks_.clear();
            return;
        }
        for (int k = 0; k < 8; ++k) blocks_.push_back(column_[static_cast<std::size_t>(x + k)] - first);
        blocks_.push_back(first);
    }
}

void ColumnMap::Pick(const std::uint32_t* row, std::uint32_t* dest) const {
    int done = 0;
#if VH_PERMUTE_BLOCKS
    if (!blocks_.empty() && rows::CpuHasAvx2()) {
        const int count = static_cast<int>(blocks_.size()) / kBlockInts;
        PermuteBlocks(row, blocks_.data(), count, dest);
        done = 8 * count;
    }
#endif
    PickEach(row, column_.data(), dest, done, destWidth_);
}

void ColumnMap::Pick(const std::uint16_t* row, std::uint16_t* dest) const {
    PickEach(row, column_.data(), dest, 0, destWidth_);
}

}  // namespace platform::host
