// Shape distance fields, cel shading with hyena spots and cloth folds, and the outlined rasteriser.
#include "sprite_raster.h"

#include <cmath>
#include <utility>

namespace pictures {
namespace {

const V3 kSpriteLight = Normalize({-0.6, -0.65, 0.55});

// Hyena spots: round dots scattered on a jittered grid, some grid cells left empty.
bool HasSpot(V2 p, uint32_t seed) {
    constexpr double kCell = 6.0;
    const auto gx = static_cast<int32_t>(std::floor(p.x / kCell));
    const auto gy = static_cast<int32_t>(std::floor(p.y / kCell));
    for (int32_t iy = gy - 1; iy <= gy + 1; ++iy) {
        for (int32_t ix = gx - 1; ix <= gx + 1; ++ix) {
            if (LatticeValue(ix, iy, 3, seed) > 0.62) continue;
            const V2 c{(ix + 0.2 + 0.6 * LatticeValue(ix, iy, 1, seed)) * kCell,
                       (iy + 0.2 + 0.6 * LatticeValue(ix, iy, 2, seed)) * kCell};
            const double r = 1.0 + 0.9 * LatticeValue(ix, iy, 4, seed);
            if (Length(p - c) < r) return true;
        }
    }
    return false;
}

uint8_t ShadePixel(const ShapeSample& s, const Style& style) {
    if (style.fixedIndex >= 0) return static_cast<uint8_t>(style.fixedIndex);
    V3 n = s.normal;
    if (style.folds > 0) n = Normalize({n.x + 0.7 * Sin(s.local.x * style.folds), n.y, n.z});
    const double light = 0.2 + 0.8 * std::max(0.0, Dot(n, kSpriteLight));
    int shade = light < 0.38 ? 0 : (light < 0.62 ? 1 : (light < 0.88 ? 2 : 3));
    Material m = style.material;
    if (style.spots && HasSpot(style.groupSpots ? s.point - style.spotOrigin : s.local, style.seed)) m = kSpot;
    if (m == kMetal && light > 0.97) shade = 3;
    return MaterialIndex(m, shade + style.shadeShift);
}

}  // namespace

Shape Capsule(V2 a, V2 b, double ra, double rb) {
    const double rmax = std::max(ra, rb);
    Shape s;
    s.x0 = std::min(a.x, b.x) - rmax - 2;
    s.y0 = std::min(a.y, b.y) - rmax - 2;
    s.x1 = std::max(a.x, b.x) + rmax + 2;
    s.y1 = std::max(a.y, b.y) + rmax + 2;
    s.sample = [a, b, ra, rb](V2 p) {
        const V2 ab = b - a;
        const double len2 = std::max(Dot(ab, ab), 1e-9);
        const double t = Clamp(Dot(p - a, ab) / len2, 0.0, 1.0);
        const V2 closest = a + ab * t;
        const double r = Mix(ra, rb, t);
        const V2 off = p - closest;
        const double d = Length(off);
        const double nx = Clamp(off.x / r, -1.0, 1.0);
        const double ny = Clamp(off.y / r, -1.0, 1.0);
        const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
        const double len = std::sqrt(len2);
        const double across = (off.x * ab.y - off.y * ab.x) / len;
        return ShapeSample{d - r, {nx, ny, nz}, {t * len, across}};
    };
    return s;
}

// A rotated ellipse: torso, head, paws.
Shape Ellipse(V2 c, double rx, double ry, double angleDeg) {
    const double angle = Deg(angleDeg);
    const double rmax = std::max(rx, ry);
    Shape s;
    s.x0 = c.x - rmax - 2;
    s.y0 = c.y - rmax - 2;
    s.x1 = c.x + rmax + 2;
    s.y1 = c.y + rmax + 2;
    s.sample = [c, rx, ry, angle](V2 p) {
        const V2 u = Rotate(p - c, -angle);
        const double qx = u.x / rx;
        const double qy = u.y / ry;
        const double q = std::sqrt(qx * qx + qy * qy);
        const double dist = (q - 1.0) * std::min(rx, ry);
        const double nz = std::sqrt(std::max(0.0, 1.0 - q * q));
        const V2 n = Rotate({qx, qy}, angle);
        return ShapeSample{dist, {n.x, n.y, nz}, u};
    };
    return s;
}

Shape Polygon(std::vector<V2> pts) {
    Shape s;
    s.x0 = s.x1 = pts[0].x;
    s.y0 = s.y1 = pts[0].y;
    for (const V2& p : pts) {
        s.x0 = std::min(s.x0, p.x - 2);
        s.y0 = std::min(s.y0, p.y - 2);
        s.x1 = std::max(s.x1, p.x + 2);
        s.y1 = std::max(s.y1, p.y + 2);
    }
    const V2 origin{s.x0, s.y0};
    s.sample = [pts = std::move(pts), origin](V2 p) {
        bool inside = false;
        double best = 1e9;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const V2 a = pts[j];
            const V2 b = pts[i];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
            const V2 ab = b - a;
            const double t = Clamp(Dot(p - a, ab) / std::max(Dot(ab, ab), 1e-9), 0.0, 1.0);
            best = std::min(best, Length(p - (a + ab * t)));
        }
        return ShapeSample{inside ? -best : best, {-0.1, -0.35, 0.93}, p - origin};
    };
    return s;
}

void SpriteCanvas::Draw(const std::vector<Shape>& shapes, const Style& style) {
    if (style.outline) {
        for (const Shape& shape : shapes) Raster(shape, style, true);
    }
    for (const Shape& shape : shapes) Raster(shape, style, false);
}

void SpriteCanvas::OutlineSilhouette() {
    IndexImage copy = image_;
    for (int y = 0; y < image_.height; ++y) {
        for (int x = 0; x < image_.width; ++x) {
            if (copy.Get(x, y) != kKeyIndex) continue;
            const uint8_t around[4] = {copy.Get(x + 1, y), copy.Get(x - 1, y), copy.Get(x, y + 1), copy.Get(x, y - 1)};
            for (uint8_t v : around) {
                if (v != kKeyIndex && v != kOutlineIndex) {
                    image_.At(x, y) = kOutlineIndex;
                    break;
                }
            }
        }
    }
}

void SpriteCanvas::Raster(const Shape& shape, const Style& style, bool ring) {
    const int x0 = std::max(0, static_cast<int>(std::floor(shape.x0)));
    const int y0 = std::max(0, static_cast<int>(std::floor(shape.y0)));
    const int x1 = std::min(image_.width - 1, static_cast<int>(std::ceil(shape.x1)));
    const int y1 = std::min(image_.height - 1, static_cast<int>(std::ceil(shape.y1)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            ShapeSample s = shape.sample({x + 0.5, y + 0.5});
            s.point = {x + 0.5, y + 0.5};
            if (ring ? s.dist > 1.0 : s.dist > 0.0) continue;
            uint8_t& px = image_.At(x, y);
            if (style.onlyOver && (px == kKeyIndex || px == kOutlineIndex)) continue;
            px = ring ? kOutlineIndex : ShadePixel(s, style);
        }
    }
}

}  // namespace pictures
