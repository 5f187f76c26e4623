// Faults a test plants in the X11 presenters, the software blitter and GDI's text, each making them wrong
// in one way, so that a check of what was drawn or shown can be proven to catch it. Only test
// builds link this library (vh_planted_faults): it supplies the presenter seam, the text ink and
// the surfaces' Blt, BltFast and Flip in place of the program's exact ones.
#pragma once

namespace platform::planted {

enum class PresenterFault {
    None,
    FlipNotTaken,  // every tenth frame is not written: the window shows an older one
    LowBitsLost,   // 16-bit channels widened by a shift alone, their low bits left zero
    RedBlueSwapped,
    ColumnsOffByOne,  // each row of the picture one pixel to the left
    BarsNotBlack,     // the window's background, and so the bars, dark red
    // A damaged rectangle scaled to the window without the pixel of widening that nearest
    // sampling needs: a row or column at its far edge keeps what the window showed before.
    ScaledRectNotWidened,
    // A presenter's damage ring one frame shorter than its pool: an image as old as the pool misses
    // the damage of the oldest frame, and keeps stale pixels there, shown when the window next
    // takes the whole image (exposed, as a flip would show it).
    DamageRingOneShort,
};

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
    // After the 9th flip, one pixel inside the colour-key probe's rectangle of the back buffer
    // changed: a difference the probe is charged with from then on.
    ProbePoke,
    // The probe's pixel as above and, from the 199th flip on, a 10x10 block at (10,10) of the back
    // buffer, where no step of the scene draws: a stray write.
    StrayWrite,
    // Blt (not BltFast) draws but records nothing written: what it drew is never sent to the window.
    BltDamageNotRecorded,
    // The flip chain keeps no damage of the frame before: where that frame differed from the one
    // before it and nothing was written since (a sprite that moved on), nothing is compared.
    FlipDamageForgotten,
};

enum class TextFault {
    None,
    Blue,  // text drawn in pure blue, whatever colour it was given
};

// Each stays until replaced; None removes it.
void PlantPresenterFault(PresenterFault fault);
void PlantBlitFault(BlitFault fault);
void PlantTextFault(TextFault fault);

}  // namespace platform::planted
