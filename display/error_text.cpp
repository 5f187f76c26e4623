#include "display/error_text.h"

#include <cstring>

namespace {

struct ErrorWords {
    HRESULT code;
    const char* words;
};

constexpr ErrorWords kErrorWords[] = {
    {DDERR_OUTOFMEMORY, "Error!\n\nOut of memory.\n"},
    {DDERR_INVALIDPARAMS, "Error!\n\nInvalid Parameters.\n"},
    {DDERR_INCOMPATIBLEPRIMARY, "Error!\n\nIncompatible Primary surface\n"},
    {DDERR_INVALIDCAPS, "Error!\n\nInvalid Capabilities.\n"},
    {DDERR_INVALIDOBJECT, "Error!\n\nInvalid Object.\n"},
    {DDERR_INVALIDPIXELFORMAT, "Error!\n\nInvalid Pixel Format.\n"},
    {DDERR_NOALPHAHW, "Error!\n\nNo Alpha Hardware.\n"},
    {DDERR_NOCOOPERATIVELEVELSET, "Error!\n\nNo Cooperative Level Set.\n"},
    {DDERR_NOEXCLUSIVEMODE, "Error!\n\nNo Exclusive Mode.\n"},
    {DDERR_NOFLIPHW, "Error!\n\nNo Flip Hardware.\n"},
    {DDERR_NOZBUFFERHW, "Error!\n\nNo ZBuffer Hardware.\n"},
    {DDERR_OUTOFVIDEOMEMORY, "Error!\n\nOut of Video Memory.\n"},
    {DDERR_NODIRECTDRAWHW, "Error!\n\nNo DirectDraw Hardware.\n"},
    {DDERR_PRIMARYSURFACEALREADYEXISTS, "Error!\n\nPrimary Surface Already Exists.\n"},
    {DDERR_NOEMULATION, "Error!\n\nNo Emulation.\n"},
    {DDERR_UNSUPPORTEDMODE, "Error!\n\nUnsupported mode.\n"},
    {DDERR_NOMIPMAPHW, "Error!\n\nNo Mipmap Hardware.\n"},
};

constexpr const char* kDefaultWords = "Error!\n\n";
constexpr std::size_t kWorkingSize = 512;

// Appends `from` to the NUL-terminated `to` (capacity `size`), cutting what does not fit.
void AppendBounded(char* to, std::size_t size, const char* from) {
    std::size_t used = std::strlen(to);
    std::size_t room = size - 1 - used;
    std::size_t length = strnlen(from, room);
    std::memcpy(to + used, from, length);
    to[used + length] = '\0';
}

}  // namespace

char* DescribeDirectDrawError(HRESULT code, char* text, std::size_t textSize) {
    if (text == nullptr || textSize == 0) return text;
    const char* words = kDefaultWords;
    for (const ErrorWords& row : kErrorWords) {
        if (row.code == code) {
            words = row.words;
            break;
        }
    }
    char working[kWorkingSize];
    working[0] = '\0';
    AppendBounded(working, sizeof working, words);
    // The caller's text may be unterminated within its buffer; never read past it.
    char caller[kWorkingSize];
    std::size_t callerLength = strnlen(text, textSize - 1);
    if (callerLength > sizeof caller - 1) callerLength = sizeof caller - 1;
    std::memcpy(caller, text, callerLength);
    caller[callerLength] = '\0';
    AppendBounded(working, sizeof working, caller);

    text[0] = '\0';
    AppendBounded(text, textSize, working);
    return text;
}
