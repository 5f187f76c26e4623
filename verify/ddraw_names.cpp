#include "verify/ddraw_names.h"

#include <cstdint>
#include <cstdio>

namespace verify {

std::string DescribeResult(HRESULT result) {
    static const struct {
        HRESULT value;
        const char* name;
    } kNames[] = {
        {DDERR_GENERIC, "DDERR_GENERIC"},
        {DDERR_UNSUPPORTED, "DDERR_UNSUPPORTED"},
        {DDERR_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
        {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
        {DDERR_INVALIDCAPS, "DDERR_INVALIDCAPS"},
        {DDERR_INVALIDOBJECT, "DDERR_INVALIDOBJECT"},
        {DDERR_INVALIDPIXELFORMAT, "DDERR_INVALIDPIXELFORMAT"},
        {DDERR_INVALIDRECT, "DDERR_INVALIDRECT"},
        {DDERR_LOCKEDSURFACES, "DDERR_LOCKEDSURFACES"},
        {DDERR_NOEXCLUSIVEMODE, "DDERR_NOEXCLUSIVEMODE"},
        {DDERR_NOTFLIPPABLE, "DDERR_NOTFLIPPABLE"},
        {DDERR_NOTLOCKED, "DDERR_NOTLOCKED"},
        {DDERR_NOTFOUND, "DDERR_NOTFOUND"},
        {DDERR_OUTOFVIDEOMEMORY, "DDERR_OUTOFVIDEOMEMORY"},
        {DDERR_SURFACEBUSY, "DDERR_SURFACEBUSY"},
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {DDERR_WASSTILLDRAWING, "DDERR_WASSTILLDRAWING"},
        {DDERR_CANTCREATEDC, "DDERR_CANTCREATEDC"},
        {DDERR_NODC, "DDERR_NODC"},
        {DDERR_DCALREADYCREATED, "DDERR_DCALREADYCREATED"},
        {DDERR_WRONGMODE, "DDERR_WRONGMODE"},
        {DDERR_UNSUPPORTEDMODE, "DDERR_UNSUPPORTEDMODE"},
    };
    // HRESULT is a signed 32-bit value on every build: printed as its 32 bits, never widened.
    char value[16];
    std::snprintf(value, sizeof value, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    for (const auto& known : kNames) {
        if (known.value == result) return std::string(known.name) + " (" + value + ")";
    }
    return value;
}

}  // namespace verify
