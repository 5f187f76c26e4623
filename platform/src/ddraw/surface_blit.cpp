// Blt and BltFast: argument checks, then the pixel loops of blit_kernels. There is no clipper:
// every rectangle must lie wholly inside its surface. Blt scales a source rectangle onto a
// destination of another size by nearest neighbour; BltFast never scales.
#include <cstring>
#include <vector>

#include "ddraw/control_state.h"
#include "ddraw/surface.h"

namespace platform::ddraw {
namespace {

constexpr DWORD kBltFlagsKnown = DDBLT_COLORFILL | DDBLT_DDFX | DDBLT_KEYSRC | DDBLT_WAIT;
constexpr DWORD kBltFastFlagsKnown = DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT;
constexpr DWORD kMirrorFx = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN;

// Non-empty and wholly inside a width x height surface (right == width is the last valid edge).
bool IsValidRect(const RECT& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

bool Intersect(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void LogBlit(const char* op, const void* object, HRESULT result, const RECT* dest, const RECT* src, const void* source,
             DWORD flags, const DDBLTFX* effects, DWORD x, DWORD y) {
    Call call = detail::NewCall(op, object, result);
    if (dest != nullptr) {
        call.dest = *dest;
        call.hasDest = true;
    }
    if (src != nullptr) {
        call.src = *src;
        call.hasSrc = true;
    }
    call.source = source;
    call.flags = flags;
    if (effects != nullptr) {
        call.fx = effects->dwDDFX;
        call.fillColor = effects->dwFillColor;
    }
    call.x = x;
    call.y = y;
    detail::AppendCall(std::move(call));
}

}  // namespace

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags, LPDDBLTFX effects) {
    const detail::CallControl control = detail::TakeBlitControl("Blt");
    const HRESULT result = control.injected ? *control.injected
                                            : BltNow(destRect, source != nullptr ? From(source) : nullptr, sourceRect,
                                                     flags, effects, control.planted);
    if (detail::CallLogOn()) LogBlit("Blt", this, result, destRect, sourceRect, source, flags, effects, 0, 0);
    return result;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags) {
    const detail::CallControl control = detail::TakeBlitControl("BltFast");
    const HRESULT result = control.injected ? *control.injected
                                            : BltFastNow(x, y, source != nullptr ? From(source) : nullptr, sourceRect,
                                                         flags, control.planted);
    if (detail::CallLogOn()) LogBlit("BltFast", this, result, nullptr, sourceRect, source, flags, nullptr, x, y);
    return result;
}

const ColorKeyRange* Surface::KeyFor(bool keyed, BlitFault planted) {
    if (!keyed || planted == BlitFault::SourceKeyIgnored) return nullptr;
    if (planted != BlitFault::KeyOneBitOff) return &sourceKeyRange_;
    plantedKey_ = ColorKeyRange{static_cast<std::uint16_t>(sourceKeyRange_.low ^ 1u), sourceKeyRange_.span};
    return &plantedKey_;
}

HRESULT Surface::BltNow(const RECT* destRect, Surface* source, const RECT* sourceRect, DWORD flags,
                        const DDBLTFX* effects, BlitFault planted) {
    if ((flags & ~kBltFlagsKnown) != 0) return DDERR_UNSUPPORTED;
    if ((flags & (DDBLT_COLORFILL | DDBLT_DDFX)) != 0 && (effects == nullptr || effects->dwSize != sizeof(DDBLTFX)))
        return DDERR_INVALIDPARAMS;
    const RECT whole{0, 0, width_, height_};
    const RECT dest = destRect != nullptr ? *destRect : whole;

    if ((flags & DDBLT_COLORFILL) != 0) {
        // A fill takes no source surface; a source rectangle plays no part in it.
        if ((flags & (DDBLT_KEYSRC | DDBLT_DDFX)) != 0 || source != nullptr) return DDERR_INVALIDPARAMS;
        if (Lost()) return DDERR_SURFACELOST;
        if (Busy()) return DDERR_SURFACEBUSY;
        if (!IsValidRect(dest, width_, height_)) return DDERR_INVALIDRECT;
        // dwFillColor is a raw pixel value; a 16-bit surface takes its low 16 bits.
        auto value = static_cast<std::uint16_t>(effects->dwFillColor);
        if (planted == BlitFault::FillGreenOneStepOff) {
            const std::uint32_t green = MasksOf(device_->format()).green;
            value ^= static_cast<std::uint16_t>(green & (~green + 1));  // the green field's lowest bit
        }
        FillPixels(DestOf(dest), value);
        return DD_OK;
    }

    if (source == nullptr) return DDERR_INVALIDPARAMS;
    unsigned mirror = kMirrorNone;
    if ((flags & DDBLT_DDFX) != 0) {
        if ((effects->dwDDFX & ~kMirrorFx) != 0) return DDERR_UNSUPPORTED;
        if ((effects->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) != 0 && planted != BlitFault::MirrorLeftRightIgnored)
            mirror |= kMirrorLeftRight;
        if ((effects->dwDDFX & DDBLTFX_MIRRORUPDOWN) != 0 && planted != BlitFault::MirrorUpDownIgnored)
            mirror |= kMirrorUpDown;
    }
    if (Lost() || source->Lost()) return DDERR_SURFACELOST;
    if (Busy() || source->Busy()) return DDERR_SURFACEBUSY;
    const RECT src = sourceRect != nullptr ? *sourceRect : RECT{0, 0, source->width_, source->height_};
    if (!IsValidRect(dest, width_, height_) || !IsValidRect(src, source->width_, source->height_))
        return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLT_KEYSRC) != 0;
    if (keyed && !source->hasSourceKey_) return DDERR_INVALIDPARAMS;
    const ColorKeyRange* key = source->KeyFor(keyed, planted);
    if (dest.right - dest.left == src.right - src.left && dest.bottom - dest.top == src.bottom - src.top)
        CopyFrom(source, src, dest.left, dest.top, key, mirror);
    else
        StretchFrom(source, src, dest, key, mirror);
    return DD_OK;
}

HRESULT Surface::BltFastNow(DWORD x, DWORD y, Surface* source, const RECT* sourceRect, DWORD flags, BlitFault planted) {
    if ((flags & DDBLTFAST_DESTCOLORKEY) != 0) return DDERR_UNSUPPORTED;
    if ((flags & ~kBltFastFlagsKnown) != 0 || source == nullptr) return DDERR_INVALIDPARAMS;
    if (Lost() || source->Lost()) return DDERR_SURFACELOST;
    if (Busy() || source->Busy()) return DDERR_SURFACEBUSY;
    RECT src = sourceRect != nullptr ? *sourceRect : RECT{0, 0, source->width_, source->height_};
    if (!IsValidRect(src, source->width_, source->height_)) return DDERR_INVALIDRECT;
    if (planted == BlitFault::TileCopyOneRowOff && width_ == 64 && height_ == 64) {
        const LONG step = src.bottom < source->height_ ? 1 : src.top > 0 ? -1 : 0;
        src.top += step;
        src.bottom += step;
    }
    // x and y are unsigned: a "negative" position is a huge one and lies outside.
    const std::uint64_t right = std::uint64_t{x} + static_cast<std::uint64_t>(src.right - src.left);
    const std::uint64_t bottom = std::uint64_t{y} + static_cast<std::uint64_t>(src.bottom - src.top);
    if (right > static_cast<std::uint64_t>(width_) || bottom > static_cast<std::uint64_t>(height_))
        return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !source->hasSourceKey_) return DDERR_INVALIDPARAMS;
    const ColorKeyRange* key = source->KeyFor(keyed && planted != BlitFault::KeyedBltFastOpaque, planted);
    CopyFrom(source, src, static_cast<LONG>(x), static_cast<LONG>(y), key, kMirrorNone);
    return DD_OK;
}

void Surface::CopyFrom(Surface* source, const RECT& sourceRect, LONG destLeft, LONG destTop, const ColorKeyRange* key,
                       unsigned mirror) {
    const LONG w = sourceRect.right - sourceRect.left;
    const LONG h = sourceRect.bottom - sourceRect.top;
    const RECT destRect{destLeft, destTop, destLeft + w, destTop + h};
    const DestPixels dest = DestOf(destRect);
    const SourcePixels src = source->SourceOf(sourceRect);

    if (source != this || !Intersect(destRect, sourceRect)) {
        BlitPixels(dest, src, key, mirror);
    } else if (key == nullptr && mirror == kMirrorNone) {
        MovePixels(dest, src);
    } else {
        // Overlapping keyed or mirrored copy within one surface: read from a snapshot of the
        // source. The buffer only grows, so steady use allocates nothing.
        thread_local std::vector<std::uint16_t> snapshot;
        const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        if (snapshot.size() < count) snapshot.resize(count);
        const DestPixels copy{snapshot.data(), w, w, h};
        BlitPixels(copy, src, nullptr, kMirrorNone);
        BlitPixels(dest, SourcePixels{snapshot.data(), w, w, h}, key, mirror);
    }
}

// Destination pixel (x, y) of the unmirrored image takes source pixel (x * sw / dw, y * sh / dh);
// a mirror then reverses the scaled image inside the destination. Each row is sampled into a
// scratch row that goes through the ordinary keyed and mirrored row copy. The program never
// scales, so this favours brevity over speed.
void Surface::StretchFrom(Surface* source, const RECT& sourceRect, const RECT& destRect, const ColorKeyRange* key,
                          unsigned mirror) {
    const int sw = sourceRect.right - sourceRect.left;
    const int sh = sourceRect.bottom - sourceRect.top;
    const int dw = destRect.right - destRect.left;
    const int dh = destRect.bottom - destRect.top;
    SourcePixels src = source->SourceOf(sourceRect);
    std::vector<std::uint16_t> snapshot;
    if (source == this && Intersect(destRect, sourceRect)) {
        snapshot.resize(static_cast<std::size_t>(sw) * sh);
        BlitPixels(DestPixels{snapshot.data(), sw, sw, sh}, src, nullptr, kMirrorNone);
        src = SourcePixels{snapshot.data(), sw, sw, sh};
    }
    std::vector<std::uint16_t> row(static_cast<std::size_t>(dw));
    for (int y = 0; y < dh; ++y) {
        const int imageRow = (mirror & kMirrorUpDown) != 0 ? dh - 1 - y : y;
        const std::uint16_t* line = src.first + static_cast<std::int64_t>(imageRow) * sh / dh * src.pitch;
        for (int x = 0; x < dw; ++x) row[x] = line[static_cast<std::int64_t>(x) * sw / dw];
        const RECT destRow{destRect.left, destRect.top + y, destRect.right, destRect.top + y + 1};
        BlitPixels(DestOf(destRow), SourcePixels{row.data(), dw, dw, 1}, key, mirror & kMirrorLeftRight);
    }
}

DestPixels Surface::DestOf(const RECT& rect) {
    return DestPixels{pixels_.get() + static_cast<std::ptrdiff_t>(rect.top) * width_ + rect.left, width_,
                      rect.right - rect.left, rect.bottom - rect.top};
}

SourcePixels Surface::SourceOf(const RECT& rect) const {
    return SourcePixels{pixels_.get() + static_cast<std::ptrdiff_t>(rect.top) * width_ + rect.left, width_,
                        rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace platform::ddraw
