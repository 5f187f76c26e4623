// The analysis of the screen's colour masks, the shape of every later colour conversion.
#include <gtest/gtest.h>

#include "display/pixel_format.h"

namespace {

TEST(ColorMaskAnalysis, MasksOfEveryShape) {
    const struct {
        std::uint32_t mask;
        std::uint16_t low;
        std::int32_t shift, bits, loss;
    } table[] = {
        {0xF800, 0xF800, 11, 5, 3},      // 5-6-5 red
        {0x07E0, 0x07E0, 5, 6, 2},       // 5-6-5 green
        {0x001F, 0x001F, 0, 5, 3},       // blue
        {0x7C00, 0x7C00, 10, 5, 3},      // 5-5-5 red
        {0x03E0, 0x03E0, 5, 5, 3},       // 5-5-5 green
        {0x0F00, 0x0F00, 8, 4, 4},       // four bits
        {0x0070, 0x0070, 4, 6, 2},       // three bits count as six
        {0x7F00, 0x7F00, 8, 6, 2},       // seven bits count as six
        {0x00000000, 0x0000, 16, 6, 2},  // no bits at all
        {0xFFFF0000, 0x0000, 16, 6, 2},  // only high bits: they play no part
        {0x0001F800, 0xF800, 11, 5, 3},  // a high bit is dropped with the rest
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.mask);
        const ColorField field = AnalyseColorMask(row.mask);
        EXPECT_EQ(field.mask, row.low);
        EXPECT_EQ(field.shift, row.shift);
        EXPECT_EQ(field.bits, row.bits);
        EXPECT_EQ(field.loss, row.loss);
    }
}

}  // namespace
