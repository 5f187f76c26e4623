// StretchBlt from a memory DC's bitmap into a 16-bit surface DC: nearest-neighbour scaling,
// conversion of 8-bit (through the colour table) and 24-bit pixels with PackPixel, and
// clipping to both the bitmap and the surface.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gdi/gdi_objects.h"

using platform::gdi::DeviceContext;
using platform::gdi::ObjectKind;

namespace {

// Extents beyond this are refused, which keeps the index arithmetic below far from overflow.
constexpr std::int64_t kMaxExtent = std::int64_t{1} << 20;

// One axis of the copy: for each destination coordinate inside the surface, the source
// coordinate it takes its pixel from, or -1 where that falls outside the bitmap.
struct AxisMap {
    std::int64_t firstDest = 0;  // destination coordinate of sources[0]
    std::vector<int> sources;
};

// A negative extent covers [origin + extent, origin) and reverses that axis; the copy is
// mirrored when exactly one of the two extents is negative.
AxisMap MapAxis(std::int64_t dest, std::int64_t destExtent, std::int64_t destLimit, std::int64_t src,
                std::int64_t srcExtent, std::int64_t srcLimit) {
    const bool mirrored = (destExtent < 0) != (srcExtent < 0);
    if (destExtent < 0) {
        dest += destExtent;
        destExtent = -destExtent;
    }
    if (srcExtent < 0) {
        src += srcExtent;
        srcExtent = -srcExtent;
    }
    AxisMap map;
    const std::int64_t begin = std::max<std::int64_t>(dest, 0);
    const std::int64_t end = std::min<std::int64_t>(dest + destExtent, destLimit);
    map.firstDest = begin;
    for (std::int64_t d = begin; d < end; ++d) {
        const std::int64_t i = d - dest;
        // The source pixel under the centre of destination pixel i.
        std::int64_t offset = (2 * i + 1) * srcExtent / (2 * destExtent);
        if (mirrored) offset = srcExtent - 1 - offset;
        const std::int64_t s = src + offset;
        map.sources.push_back(s >= 0 && s < srcLimit ? static_cast<int>(s) : -1);
    }
    return map;
}

}  // namespace

BOOL WINAPI StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc, int wSrc,
                       int hSrc, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    for (const std::int64_t extent : {wDest, hDest, wSrc, hSrc}) {
        if (extent == 0 || std::llabs(extent) > kMaxExtent) return FALSE;
    }
    auto lock = platform::gdi::GdiLock();
    DeviceContext* target = platform::gdi::FindDc(dest);
    DeviceContext* source = platform::gdi::FindDc(src);
    if (target == nullptr || source == nullptr || target->kind != ObjectKind::SurfaceDc ||
        source->kind != ObjectKind::MemoryDc || source->bitmap == nullptr) {
        return FALSE;
    }
    const platform::gdi::DecodedDib& image = source->bitmap->image;
    const AxisMap columns = MapAxis(xDest, wDest, target->width, xSrc, wSrc, image.width);
    const AxisMap rows = MapAxis(yDest, hDest, target->height, ySrc, hSrc, image.height);

    const platform::PixelFormat format = target->format;
    std::uint16_t lookup[256] = {};
    if (image.bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD& c = image.colors[static_cast<std::size_t>(i)];
            lookup[i] = platform::PackPixel(format, c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
    }
    platform::gdi::NoteDrawn(*target, columns.firstDest, rows.firstDest,
                             columns.firstDest + static_cast<std::int64_t>(columns.sources.size()),
                             rows.firstDest + static_cast<std::int64_t>(rows.sources.size()));
    for (std::size_t r = 0; r < rows.sources.size(); ++r) {
        const int sy = rows.sources[r];
        if (sy < 0) continue;
        const std::uint8_t* in = image.Row(sy);
        std::uint16_t* out =
            target->pixels + (rows.firstDest + static_cast<std::int64_t>(r)) * target->pitchPixels + columns.firstDest;
        for (std::size_t c = 0; c < columns.sources.size(); ++c) {
            const int sx = columns.sources[c];
            if (sx < 0) continue;
            if (image.bitsPerPixel == 8) {
                out[c] = lookup[in[sx]];
            } else {
                const std::uint8_t* p = in + 3 * sx;
                out[c] = platform::PackPixel(format, p[2], p[1], p[0]);
            }
        }
    }
    return TRUE;
}
