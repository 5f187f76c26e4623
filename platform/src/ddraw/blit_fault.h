// Faults a test can plant in the software blitter (ddraw_control.h), each making it wrong in one
// way, so that a check of the drawn pixels can be shown to catch it.
#pragma once

namespace platform::ddraw {

enum class BlitFault {
    None,
    MirrorLeftRightIgnored,  // Blt ignores DDBLTFX_MIRRORLEFTRIGHT
    MirrorUpDownIgnored,     // Blt ignores DDBLTFX_MIRRORUPDOWN
    SourceKeyIgnored,        // keyed Blt and BltFast copy every pixel
    KeyOneBitOff,            // keyed blits compare with the key's lowest bit flipped
    FillGreenOneStepOff,     // colour fills write the green component one step off
    TileCopyOneRowOff,       // BltFast into a 64x64 surface reads its source one row off
    KeyedBltFastOpaque,      // a keyed BltFast copies every pixel (Blt keeps its key)
    FlipStale,               // Flip succeeds but swaps nothing: the screen keeps showing the old frame
};

}  // namespace platform::ddraw
