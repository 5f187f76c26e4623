#include "verify/redraw.h"

#include <algorithm>

#include "verify/mask_field.h"

namespace verify {
namespace {

// The offsets u in [0, length) that land inside [0, limit) both as destination start + u and as
// the source index that offset reads (first + u, or first + length - 1 - u reversed).
struct Span {
    int begin, end;
};
Span Inside(int destStart, int first, int length, bool reversed, int destLimit, int sourceLimit) {
    int begin = std::max(0, -destStart);
    int end = std::min(length, destLimit - destStart);
    if (reversed) {
        // Source index first + length - 1 - u lies in [0, sourceLimit).
        begin = std::max(begin, first + length - sourceLimit);
        end = std::min(end, first + length);
    } else {
        begin = std::max(begin, -first);
        end = std::min(end, sourceLimit - first);
    }
    return Span{begin, std::max(begin, end)};
}

// One row: d[i] takes s[i], or s[-i] reversed; with a key, key pixels leave d[i] as it was.
// The two never overlap (the check's images are its own), which lets the loops vectorise.
void CopyRow(Pixel* __restrict d, const Pixel* __restrict s, int n, bool reversed, const Pixel* key) {
    if (reversed) {
        const Pixel* end = s - (n - 1);  // the row's pixels in memory order
        if (key == nullptr) {
            for (int i = 0; i < n; ++i) d[i] = end[n - 1 - i];
        } else {
            const Pixel k = *key;
            for (int i = 0; i < n; ++i) d[i] = end[n - 1 - i] == k ? d[i] : end[n - 1 - i];
        }
        return;
    }
    const Pixel k = *key;
    for (int i = 0; i < n; ++i) d[i] = s[i] == k ? d[i] : s[i];
}

void Own(const Owners* owners, int x, int y) {
    owners->stamps[y * owners->pitch + x] = owners->serial;
    owners->steps[y * owners->pitch + x] = owners->step;
}

}  // namespace

ScreenFormat::ScreenFormat(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask)
    : red_(Analyse(redMask)), green_(Analyse(greenMask)), blue_(Analyse(blueMask)) {}

ScreenFormat::Field ScreenFormat::Analyse(std::uint32_t mask) {
    const MaskField field = FieldOfMask(mask & 0xFFFFu);
    return Field{mask & 0xFFFFu, field.shift, field.bits};
}

Pixel ScreenFormat::FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    auto put = [](const Field& f, std::uint8_t c) -> std::uint32_t {
        if (f.bits == 0) return 0;
        const int kept = std::min(f.bits, 8);
        return (static_cast<std::uint32_t>(c >> (8 - kept)) << f.shift) & f.mask;
    };
    return static_cast<Pixel>(put(red_, red) | put(green_, green) | put(blue_, blue));
}

void Copy(const Image& dest, int x, int y, const ConstImage& source, const Rect& from, const Pixel* key,
          unsigned mirror, const Owners* owners) {
    const bool leftRight = (mirror & kMirrorLeftRight) != 0;
    const bool upDown = (mirror & kMirrorUpDown) != 0;
    const int w = from.Width(), h = from.Height();
    const Span columns = Inside(x, from.left, w, leftRight, dest.width, source.width);
    const Span rows = Inside(y, from.top, h, upDown, dest.height, source.height);
    const int n = columns.end - columns.begin;
    if (n <= 0) return;
    const int firstX = x + columns.begin;
    for (int v = rows.begin; v < rows.end; ++v) {
        const int dy = y + v;
        const int sourceRow = from.top + (upDown ? h - 1 - v : v);
        Pixel* d = dest.Row(dy) + firstX;
        // Destination d[i] takes s[i], or s[-i] mirrored left-right.
        const Pixel* s = source.Row(sourceRow) + from.left + (leftRight ? w - 1 - columns.begin : columns.begin);
        if (owners != nullptr) {
            const std::ptrdiff_t step = leftRight ? -1 : 1;
            for (int i = 0; i < n; ++i) {
                const Pixel p = s[i * step];
                if (key != nullptr && p == *key) continue;
                d[i] = p;
                Own(owners, firstX + i, dy);
            }
        } else if (key == nullptr && !leftRight) {
            std::copy_n(s, n, d);
        } else {
            CopyRow(d, s, n, leftRight, key);
        }
    }
}

void Fill(const Image& dest, const Rect& area, Pixel value, const Owners* owners) {
    const int firstX = std::max(area.left, 0), lastX = std::min(area.right, dest.width);
    const int firstY = std::max(area.top, 0), lastY = std::min(area.bottom, dest.height);
    for (int y = firstY; y < lastY; ++y) {
        Pixel* d = dest.Row(y);
        for (int x = firstX; x < lastX; ++x) {
            d[x] = value;
            if (owners != nullptr) Own(owners, x, y);
        }
    }
}

void StretchNearest(const Image& dest, const ConstImage& source) {
    if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0) return;
    for (int y = 0; y < dest.height; ++y) {
        const Pixel* s = source.Row(static_cast<int>(static_cast<long long>(y) * source.height / dest.height));
        Pixel* d = dest.Row(y);
        for (int x = 0; x < dest.width; ++x) d[x] = s[static_cast<long long>(x) * source.width / dest.width];
    }
}

}  // namespace verify
