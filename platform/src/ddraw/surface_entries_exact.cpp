// The program's Blt, BltFast and Flip: each call does exactly what its checked arguments say, and
// records what it wrote; the flip chain keeps the damage of the frames its other buffers hold. Only
// the program and the benchmarks link this file; a test build links entries of its own instead.
#include "ddraw/surface.h"

namespace platform::ddraw {

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags, LPDDBLTFX effects) {
    BlitWork work;
    const HRESULT result = PrepareBlt(destRect, source, sourceRect, flags, effects, work);
    if (result == DD_OK) {
        DoBlit(work);
        Damaged(work.destRect);
    }
    return result;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags) {
    BlitWork work;
    const HRESULT result = PrepareBltFast(x, y, source, sourceRect, flags, work);
    if (result == DD_OK) {
        DoBlit(work);
        Damaged(work.destRect);
    }
    return result;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) {
    const HRESULT result = PrepareFlip(targetOverride, flags);
    if (result != DD_OK) return result;
    SwapWithBackBuffer();
    ShowFront(flags);
    return DD_OK;
}

int FlipDamageFramesKept() { return FlipDamage::kChainBuffers - 1; }

}  // namespace platform::ddraw
