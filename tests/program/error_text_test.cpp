// Words for DirectDraw failures, composed in front of the caller's text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/error_text.h"

namespace {

std::string Describe(HRESULT code, const std::string& text) {
    char buffer[512];
    std::strcpy(buffer, text.c_str());
    char* result = DescribeDirectDrawError(code, buffer, sizeof buffer);
    EXPECT_EQ(result, buffer);
    return result;
}

TEST(DirectDrawErrorText, EveryCodeWithWords) {
    const struct {
        HRESULT code;
        const char* words;
    } table[] = {
        {static_cast<HRESULT>(0x8007000E), "Error!\n\nOut of memory.\n"},
        {static_cast<HRESULT>(0x80070057), "Error!\n\nInvalid Parameters.\n"},
        {static_cast<HRESULT>(0x8876005F), "Error!\n\nIncompatible Primary surface\n"},
        {static_cast<HRESULT>(0x88760064), "Error!\n\nInvalid Capabilities.\n"},
        {static_cast<HRESULT>(0x88760082), "Error!\n\nInvalid Object.\n"},
        {static_cast<HRESULT>(0x88760091), "Error!\n\nInvalid Pixel Format.\n"},
        {static_cast<HRESULT>(0x887600B4), "Error!\n\nNo Alpha Hardware.\n"},
        {static_cast<HRESULT>(0x887600D4), "Error!\n\nNo Cooperative Level Set.\n"},
        {static_cast<HRESULT>(0x887600E1), "Error!\n\nNo Exclusive Mode.\n"},
        {static_cast<HRESULT>(0x887600E6), "Error!\n\nNo Flip Hardware.\n"},
        {static_cast<HRESULT>(0x88760154), "Error!\n\nNo ZBuffer Hardware.\n"},
        {static_cast<HRESULT>(0x8876017C), "Error!\n\nOut of Video Memory.\n"},
        {static_cast<HRESULT>(0x88760233), "Error!\n\nNo DirectDraw Hardware.\n"},
        {static_cast<HRESULT>(0x88760234), "Error!\n\nPrimary Surface Already Exists.\n"},
        {static_cast<HRESULT>(0x88760235), "Error!\n\nNo Emulation.\n"},
        {static_cast<HRESULT>(0x8876024E), "Error!\n\nUnsupported mode.\n"},
        {static_cast<HRESULT>(0x8876024F), "Error!\n\nNo Mipmap Hardware.\n"},
        // Codes without words of their own, near neighbours among them, get the bare default.
        {DD_OK, "Error!\n\n"},
        {DDERR_SURFACELOST, "Error!\n\n"},
        {DDERR_WASSTILLDRAWING, "Error!\n\n"},
        {static_cast<HRESULT>(0x8876017D), "Error!\n\n"},
        {E_FAIL, "Error!\n\n"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.words);
        EXPECT_EQ(Describe(row.code, "CreateSurface failed for DirectDraw.\n"),
                  std::string(row.words) + "CreateSurface failed for DirectDraw.\n");
    }
    // The common aliases are the same values; the caller's text is appended uninterpreted.
    EXPECT_EQ(Describe(E_OUTOFMEMORY, ""), "Error!\n\nOut of memory.\n");
    EXPECT_EQ(Describe(E_INVALIDARG, ""), "Error!\n\nInvalid Parameters.\n");
    EXPECT_EQ(Describe(DDERR_NOFLIPHW, "100% %s %d"), "Error!\n\nNo Flip Hardware.\n100% %s %d");
}

TEST(DirectDrawErrorText, OverlongTextsAreTruncatedWithinBothBuffers) {
    // A caller text that would overflow the 512-byte working buffer.
    std::string longText(600, 'x');
    char big[1024];
    std::memcpy(big, longText.c_str(), longText.size() + 1);
    std::string composed = DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, big, sizeof big);
    EXPECT_EQ(composed.size(), 511u);
    EXPECT_EQ(composed.rfind("Error!\n\nOut of Video Memory.\n", 0), 0u);

    // A caller buffer too small for the composed text: cut at its end, still terminated.
    char small[16];
    std::strcpy(small, "abc");
    small[15] = '\0';
    char guard[8] = "GUARD!!";
    std::string cut = DescribeDirectDrawError(DDERR_OUTOFVIDEOMEMORY, small, sizeof small);
    EXPECT_EQ(cut, std::string("Error!\n\nOut of Video Memory.\nabc").substr(0, 15));
    EXPECT_STREQ(guard, "GUARD!!");

    // An unterminated caller buffer is read only within its size.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    std::string fromUnterminated = DescribeDirectDrawError(DD_OK, unterminated, sizeof unterminated);
    EXPECT_EQ(fromUnterminated, "Err");
}

}  // namespace
