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

HRESULT Surface::PrepareBlt(const RECT* destRect, LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD flags,
                            const DDBLTFX* effects, BlitWork& work) {
    const auto injected = detail::TakeFault("Blt");
    const HRESULT result =
        injected ? *injected
                 : CheckBlt(destRect, source != nullptr ? From(source) : nullptr, sourceRect, flags, effects, work);
    if (detail::CallLogOn()) LogBlit("Blt", this, result, destRect, sourceRect, source, flags, effects, 0, 0);
    return result;
}

HRESULT Surface::PrepareBltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD flags,
                                BlitWork& work) {
    const auto injected = detail::TakeFault("BltFast");
    const HRESULT result =
        injected ? *injected : CheckBltFast(x, y, source != nullptr ? From(source) : nullptr, sourceRect, flags, work);
    if (detail::CallLogOn()) LogBlit("BltFast", this, result, nullptr, sourceRect, source, flags, nullptr, x, y);
    return result;
}

HRESULT Surface::CheckBlt(const RECT* destRect, Surface* source, const RECT* sourceRect, DWORD flags,
                          const DDBLTFX* effects, BlitWork& work) {
    if ((flags & ~kBltFlagsKnown) != 0) return DDERR_UNSUPPORTED;
    if ((flags & (DDBLT_COLORFILL | DDBLT_DDFX)) != 0 && (effects == nullptr || effects->dwSize != sizeof(DDBLTFX)))
        return DDERR_INVALIDPARAMS;
    const RECT whole{0, 0, width_, height_};
    work.destRect = destRect != nullptr ? *destRect : whole;

    if ((flags & DDBLT_COLORFILL) != 0) {
        // A fill takes no source surface; a source rectangle plays no part in it.
        if ((flags & (DDBLT_KEYSRC | DDBLT_DDFX)) != 0 || source != nullptr) return DDERR_INVALIDPARAMS;
        if (Lost()) return DDERR_SURFACELOST;
        if (Busy()) return DDERR_SURFACEBUSY;
        if (!IsValidRect(work.destRect, width_, height_)) return DDERR_INVALIDRECT;
        // dwFillColor is a raw pixel value; a 16-bit surface takes its low 16 bits.
        work.fillValue = static_cast<std::uint16_t>(effects->dwFillColor);
        return DD_OK;
    }

    if (source == nullptr) return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_DDFX) != 0) {
        if ((effects->dwDDFX & ~kMirrorFx) != 0) return DDERR_UNSUPPORTED;
        if ((effects->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) != 0) work.mirror |= kMirrorLeftRight;
        if ((effects->dwDDFX & DDBLTFX_MIRRORUPDOWN) != 0) work.mirror |= kMirrorUpDown;
    }
    if (Lost() || source->Lost()) return DDERR_SURFACELOST;
    if (Busy() || source->Busy()) return DDERR_SURFACEBUSY;
    work.sourceRect = sourceRect != nullptr ? *sourceRect : RECT{0, 0, source->width_, source->height_};
    if (!IsValidRect(work.destRect, width_, height_) || !IsValidRect(work.sourceRect, source->width_, source->height_))
        return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLT_KEYSRC) != 0;
    if (keyed && !source->hasSourceKey_) return DDERR_INVALIDPARAMS;
    work.source = source;
    work.key = keyed ? &source->sourceKeyRange_ : nullptr;
    return DD_OK;
}

HRESULT Surface::CheckBltFast(DWORD x, DWORD y, Surface* source, const RECT* sourceRect, DWORD flags, BlitWork& work) {
    if ((flags & DDBLTFAST_DESTCOLORKEY) != 0) return DDERR_UNSUPPORTED;
    if ((flags & ~kBltFastFlagsKnown) != 0 || source == nullptr) return DDERR_INVALIDPARAMS;
    if (Lost() || source->Lost()) return DDERR_SURFACELOST;
    if (Busy() || source->Busy()) return DDERR_SURFACEBUSY;
    const RECT src = sourceRect != nullptr ? *sourceRect : RECT{0, 0, source->width_, source->height_};
    if (!IsValidRect(src, source->width_, source->height_)) return DDERR_INVALIDRECT;
    // x and y are unsigned: a "negative" position is a huge one and lies outside.
    const std::uint64_t right = std::uint64_t{x} + static_cast<std::uint64_t>(src.right - src.left);
    const std::uint64_t bottom = std::uint64_t{y} + static_cast<std::uint64_t>(src.bottom - src.top);
    if (right > static_cast<std::uint64_t>(width_) || bottom > static_cast<std::uint64_t>(height_))
        return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !source->hasSourceKey_) return DDERR_INVALIDPARAMS;
    work.source = source;
    work.sourceRect = src;
    work.destRect =
        RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(right), static_cast<LONG>(bottom)};
    work.key = keyed ? &source->sourceKeyRange_ : nullptr;
    return DD_OK;
}

void Surface::DoBlit(const BlitWork& work) {
    const RECT& src = work.sourceRect;
    const RECT& dest = work.destRect;
    if (work.source == nullptr)
        FillPixels(DestOf(dest), work.fillValue);
    else if (dest.right - dest.left == src.right - src.left && dest.bottom - dest.top == src.bottom - src.top)
        CopyFrom(work.source, src, dest.left, dest.top, work.key, work.mirror);
    else
        StretchFrom(work.source, src, dest, work.key, work.mirror);
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
