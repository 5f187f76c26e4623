// Sprite drawing: shapes rasterised straight into palette indices, cel-shaded, with a dark outline.
#pragma once

// Edges are hard, never blended: index 0 is an exact colour key, so a pixel is the sprite or not.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "deterministic_math.h"
#include "image_files.h"

namespace pictures {

// Palette layout of a sprite sheet: key, outline, four shades per material, then the eye colours.
enum Material { kFur, kSpot, kMane, kSkin, kLeather, kCloth, kWood, kMetal, kBone, kMaterialCount };
inline constexpr int kShades = 4;
inline constexpr uint8_t kOutlineIndex = 1;
inline constexpr uint8_t kFirstMaterialIndex = 2;
inline constexpr uint8_t kEyeIndex = kFirstMaterialIndex + kMaterialCount * kShades;  // glowing iris
inline constexpr uint8_t kEyeHotIndex = kEyeIndex + 1;
inline constexpr uint8_t kBlackIndex = kEyeIndex + 2;  // pupil, nose, mouth
inline constexpr int kGnollColors = kBlackIndex + 1;

inline uint8_t MaterialIndex(Material m, int shade) {
    return static_cast<uint8_t>(kFirstMaterialIndex + m * kShades + std::clamp(shade, 0, kShades - 1));
}

// What a shape reports for a point: signed distance to its edge (negative inside), the surface
// normal for lighting, and coordinates fixed to the part so patterns move with it.
struct ShapeSample {
    double dist;
    V3 normal;
    V2 local;
    V2 point = {};
};
struct Shape {
    std::function<ShapeSample(V2)> sample;
    double x0, y0, x1, y1;  // bounding box
};

// A tapered capsule from a (radius ra) to b (radius rb): limbs, necks, clubs.
Shape Capsule(V2 a, V2 b, double ra, double rb);

// A rotated ellipse: torso, head, paws.
Shape Ellipse(V2 c, double rx, double ry, double angleDeg);

// A polygon (any winding): cloth, ears' tufts, mane, spikes. Lit as a flat face turned slightly up.
Shape Polygon(std::vector<V2> pts);

struct Style {
    Material material = kFur;
    int shadeShift = 0;       // -1 for the far-side limbs, which are in the body's shadow
    bool outline = true;      // ring of outline colour around the shape
    bool onlyOver = false;    // paint only over pixels already filled (straps, belts)
    bool spots = false;       // hyena spots, in the part's own coordinates ...
    bool groupSpots = false;  // ... or, for merged groups, relative to `spotOrigin`
    V2 spotOrigin = {};
    uint32_t seed = 0;    // spot pattern variant
    double folds = 0;     // cloth folds: spatial frequency across the polygon
    int fixedIndex = -1;  // paint this palette index instead of shading
};

class SpriteCanvas {
public:
    SpriteCanvas(int w, int h) : image_(w, h) {}

    // Draws shapes as one group: their outline rings first, then all fills, so parts of the group
    // merge without internal lines but the group as a whole is outlined against what lies behind.
    void Draw(const std::vector<Shape>& shapes, const Style& style);
    void Draw(const Shape& shape, const Style& style) { Draw(std::vector<Shape>{shape}, style); }

    // Closes the silhouette: every key pixel touching the figure becomes outline.
    void OutlineSilhouette();
    const IndexImage& Image() const { return image_; }

private:
    void Raster(const Shape& shape, const Style& style, bool ring);
    IndexImage image_;
};

}  // namespace pictures
