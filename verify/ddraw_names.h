// DirectDraw results as people read them: "Lock failed: DDERR_GENERIC (0x80004005)".
#pragma once

#include <string>

#include <ddraw.h>

namespace verify {

// The result's DirectDraw name where known, and its 32-bit value: "DDERR_GENERIC (0x80004005)".
std::string DescribeResult(HRESULT result);

}  // namespace verify
