// The surfaces' Blt, BltFast and Flip with the planted blitter fault: each checks its arguments
// as the program's do, then changes what it was to do (or records of it) as the fault says.
#include <atomic>

#include "ddraw/surface.h"
#include "planted_faults.h"
#include "platform/pixel_format.h"

namespace platform::planted {
namespace {

std::atomic<BlitFault> gFault{BlitFault::None};
std::atomic<unsigned> gFlips{0};  // since the fault was planted

BlitFault Current() { return gFault.load(std::memory_order_relaxed); }

// The work of a checked blit as the planted fault makes it: `fast` for BltFast, the destination
// surface destWidth x destHeight (64 x 64: a tile), the source surface sourceHeight rows high.
ddraw::BlitWork Spoiled(ddraw::BlitWork work, bool fast, PixelFormat format, int destWidth, int destHeight,
                        int sourceHeight) {
    thread_local ddraw::ColorKeyRange offKey;
    switch (Current()) {
        case BlitFault::None: break;
        case BlitFault::MirrorLeftRightIgnored: work.mirror &= ~ddraw::kMirrorLeftRight; break;
        case BlitFault::MirrorUpDownIgnored: work.mirror &= ~ddraw::kMirrorUpDown; break;
        case BlitFault::SourceKeyIgnored: work.key = nullptr; break;
        case BlitFault::KeyedBltFastOpaque:
            if (fast) work.key = nullptr;
            break;
        case BlitFault::KeyOneBitOff:
            if (work.key != nullptr) {
                offKey = ddraw::ColorKeyRange{static_cast<std::uint16_t>(work.key->low ^ 1u), work.key->span};
                work.key = &offKey;
            }
            break;
        case BlitFault::FillGreenOneStepOff:
            if (work.source == nullptr) {
                const std::uint32_t green = MasksOf(format).green;
                work.fillValue ^= static_cast<std::uint16_t>(green & (~green + 1));  // the green field's lowest bit
            }
            break;
        case BlitFault::TileCopyOneRowOff:
            if (fast && destWidth == 64 && destHeight == 64) {
                RECT& src = work.sourceRect;
                const LONG step = src.bottom < sourceHeight ? 1 : src.top > 0 ? -1 : 0;
                src.top += step;
                src.bottom += step;
            }
            break;
        case BlitFault::FlipStale:
        case BlitFault::ProbePoke:
        case BlitFault::StrayWrite:
        case BlitFault::BltDamageNotRecorded:
        case BlitFault::FlipDamageForgotten: break;
    }
    return work;
}

// The writes of ProbePoke and StrayWrite into the back buffer, as fills of their rectangles.
bool ExtraWrite(ddraw::BlitWork& work) {
    const BlitFault fault = Current();
    const unsigned flips = gFlips.load(std::memory_order_relaxed);
    if ((fault == BlitFault::ProbePoke || fault == BlitFault::StrayWrite) && flips == 9) {
        work = ddraw::BlitWork{};
        work.destRect = RECT{300, 40, 301, 41};
        work.fillValue = 0x1234;
        return true;
    }
    if (fault == BlitFault::StrayWrite && flips >= 199) {
        work = ddraw::BlitWork{};
        work.destRect = RECT{10, 10, 20, 20};
        work.fillValue = 0xFFFF;
        return true;
    }
    return false;
}

}  // namespace

void PlantBlitFault(BlitFault fault) {
    gFault.store(fault, std::memory_order_relaxed);
    gFlips.store(0, std::memory_order_relaxed);
}

}  // namespace platform::planted

namespace platform::ddraw {

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags, LPDDBLTFX effects) {
    BlitWork work;
    const HRESULT result = PrepareBlt(destRect, source, sourceRect, flags, effects, work);
    if (result == DD_OK) {
        DoBlit(planted::Spoiled(work, false, device_->format(), width_, height_,
                                work.source != nullptr ? work.source->height_ : 0));
        if (planted::Current() != planted::BlitFault::BltDamageNotRecorded) Damaged(work.destRect);
    }
    if (result == DD_OK && role_ == Role::BackBuffer && planted::ExtraWrite(work)) {
        DoBlit(work);
        Damaged(work.destRect);
    }
    return result;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags) {
    BlitWork work;
    const HRESULT result = PrepareBltFast(x, y, source, sourceRect, flags, work);
    if (result == DD_OK) {
        DoBlit(planted::Spoiled(work, true, device_->format(), width_, height_, work.source->height_));
        Damaged(work.destRect);
    }
    if (result == DD_OK && role_ == Role::BackBuffer && planted::ExtraWrite(work)) {
        DoBlit(work);
        Damaged(work.destRect);
    }
    return result;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) {
    const HRESULT result = PrepareFlip(targetOverride, flags);
    if (result != DD_OK) return result;
    if (planted::Current() != planted::BlitFault::FlipStale) SwapWithBackBuffer();
    planted::gFlips.fetch_add(1, std::memory_order_relaxed);
    ShowFront(flags);
    return DD_OK;
}

int FlipDamageFramesKept() {
    const bool forgotten = planted::Current() == planted::BlitFault::FlipDamageForgotten;
    return FlipDamage::kChainBuffers - 1 - (forgotten ? 1 : 0);
}

}  // namespace platform::ddraw
