// The analysis of the screen's colour masks, the shape of every later colour conversion.
#include <gtest/gtest.h>

#include "display/pixel_format.h"

namespace {

// 5-6-5 and 5-5-5 fields; four bits; three and seven bits count as six, as does an empty mask;
// the bits above the low 16 play no part.
TEST(ColorMaskAnalysis, MasksOfEveryShape) {
    const struct {
        std::uint32_t mask, low;
        std::int32_t shift, bits, loss;
    } table[] = {{0xF800, 0xF800, 11, 5, 3},     {0x07E0, 0x07E0, 5, 6, 2},     {0x001F, 0x001F, 0, 5, 3},
                 {0x7C00, 0x7C00, 10, 5, 3},     {0x03E0, 0x03E0, 5, 5, 3},     {0x0F00, 0x0F00, 8, 4, 4},
                 {0x0070, 0x0070, 4, 6, 2},      {0x7F00, 0x7F00, 8, 6, 2},     {0x00000000, 0x0000, 16, 6, 2},
                 {0xFFFF0000, 0x0000, 16, 6, 2}, {0x0001F800, 0xF800, 11, 5, 3}};
    for (const auto& row : table) {
        const ColorField f = AnalyseColorMask(row.mask);
        EXPECT_EQ((std::vector<std::int64_t>{f.mask, f.shift, f.bits, f.loss}),
                  (std::vector<std::int64_t>{row.low, row.shift, row.bits, row.loss}))
            << std::hex << row.mask;
    }
}

}  // namespace
