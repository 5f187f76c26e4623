// Words for DirectDraw failure codes, put in front of a caller's text.
#pragma once

#include <cstddef>

#include <ddraw.h>

// Replaces the NUL-terminated text in `text` (a buffer of `textSize` bytes) with the words for
// `code` followed by that text, truncated so that it never overruns the buffer, and returns `text`.
char* DescribeDirectDrawError(HRESULT code, char* text, std::size_t textSize);
