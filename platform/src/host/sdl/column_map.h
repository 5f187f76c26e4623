// Nearest-pixel scaling of a row: each image column shows the source column under its centre.
// When the picture is scaled up, eight image columns always come from eight neighbouring source
// columns, and AVX2 picks them with one permutation instead of eight loads.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::host {

class ColumnMap {
public:
    // Pick may read this many pixels past the end of a source row (without using them).
    static constexpr int kReadPastEnd = 7;

    // Maps destWidth image columns onto sourceWidth source columns; cheap when unchanged.
    void Prepare(int sourceWidth, int destWidth);

    // The source column image column x shows.
    int SourceOf(int x) const { return column_[static_cast<std::size_t>(x)]; }

    // dest[x] = row[the source column of x], for image columns from <= x < to.
    void Pick(const std::uint32_t* row, std::uint32_t* dest, int from, int to) const;
    void Pick(const std::uint16_t* row, std::uint16_t* dest, int from, int to) const;

private:
    // Per whole block of eight image columns: the eight source columns as offsets from the
    // first, then the first. Empty when scaled down, where a block spans more than eight.
    static constexpr int kBlockInts = 9;

    int sourceWidth_ = 0;
    int destWidth_ = 0;
    std::vector<int> column_;  // for each image column, its source column
    std::vector<std::int32_t> blocks_;
};

}  // namespace platform::host
