#include "host/sdl/column_map.h"

#include <algorithm>

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
__attribute__((target("avx2"))) void PermuteBlocks(const std::uint32_t* row, const std::int32_t* blocks, int first,
                                                   int end, std::uint32_t* dest) {
    blocks += 9 * first;
    for (int b = first; b < end; ++b, blocks += 9) {  // eight offsets, then the first column
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

void ColumnMap::Pick(const std::uint32_t* row, std::uint32_t* dest, int from, int to) const {
#if VH_PERMUTE_BLOCKS
    // The whole blocks of eight inside [from, to) at once, the columns around them one by one.
    const int firstBlock = (from + 7) / 8;
    const int endBlock = std::min(to / 8, static_cast<int>(blocks_.size()) / kBlockInts);
    if (firstBlock < endBlock && rows::CpuHasAvx2()) {
        PickEach(row, column_.data(), dest, from, 8 * firstBlock);
        PermuteBlocks(row, blocks_.data(), firstBlock, endBlock, dest);
        PickEach(row, column_.data(), dest, 8 * endBlock, to);
        return;
    }
#endif
    PickEach(row, column_.data(), dest, from, to);
}

void ColumnMap::Pick(const std::uint16_t* row, std::uint16_t* dest, int from, int to) const {
    PickEach(row, column_.data(), dest, from, to);
}

}  // namespace platform::host
