// Words for DirectDraw failures, composed in front of the caller's text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/error_text.h"

namespace {

TEST(DirectDrawErrorText, EveryCodeWithWords) {
    const struct {
        std::uint32_t code;
        const char* words;
    } table[] = {{0x8007000E, "Out of memory.\n"},
                 {0x80070057, "Invalid Parameters.\n"},
                 {0x8876005F, "Incompatible Primary surface\n"},
                 {0x88760064, "Invalid Capabilities.\n"},
                 {0x88760082, "Invalid Object.\n"},
                 {0x88760091, "Invalid Pixel Format.\n"},
                 {0x887600B4, "No Alpha Hardware.\n"},
                 {0x887600D4, "No Cooperative Level Set.\n"},
                 {0x887600E1, "No Exclusive Mode.\n"},
                 {0x887600E6, "No Flip Hardware.\n"},
                 {0x88760154, "No ZBuffer Hardware.\n"},
                 {0x8876017C, "Out of Video Memory.\n"},
                 {0x88760233, "No DirectDraw Hardware.\n"},
                 {0x88760234, "Primary Surface Already Exists.\n"},
                 {0x88760235, "No Emulation.\n"},
                 {0x8876024E, "Unsupported mode.\n"},
                 {0x8876024F, "No Mipmap Hardware.\n"},
                 // Codes without words of their own, near neighbours among them, get the bare default.
                 {DD_OK, ""},
                 {0x887601C2 /* DDERR_SURFACELOST */, ""},
                 {0x8876021C /* DDERR_WASSTILLDRAWING */, ""},
                 {0x8876017D, ""},
                 {0x80004005 /* E_FAIL */, ""}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.words);
        // The caller's text is appended uninterpreted.
        char buffer[512] = "CreateSurface failed: 100% %s\n";
        EXPECT_EQ(DescribeDirectDrawError(HRESULT(row.code), buffer, sizeof buffer), buffer);
        EXPECT_EQ(std::string(buffer), std::string("Error!\n\n") + row.words + "CreateSurface failed: 100% %s\n");
    }
}

// The composed text is cut at the 512-byte working buffer and at the caller's buffer, and an
// unterminated caller text is read only within its buffer.
TEST(DirectDrawErrorText, OverlongTextsAreTruncatedWithinBothBuffers) {
    char big[1024] = {};
    std::memset(big, 'x', 600);
    const std::string composed = DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, big, sizeof big);
    EXPECT_EQ(composed, "Error!\n\nOut of Video Memory.\n" + std::string(511 - 29, 'x'));
    struct {
        char small[16] = "abc";
        char guard[8] = "GUARD!!";
    } buffers;
    EXPECT_EQ(std::string(DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, buffers.small, 16)),
              std::string("Error!\n\nOut of Video Memory.\nabc").substr(0, 15));
    EXPECT_STREQ(buffers.guard, "GUARD!!");
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(std::string(DescribeDirectDrawError(DD_OK, unterminated, sizeof unterminated)), "Err");
}

}  // namespace
