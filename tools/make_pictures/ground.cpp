// The ground layers of the background: meadow, road with ruts, and the details scattered over them.
#include "ground.h"

#include <algorithm>
#include <cmath>

#include "background.h"

namespace pictures {
namespace {

double MeadowTop(double x) { return 332.0 + 6.0 * Fbm2(x * 0.03, 0.7, 606, 3); }
double RoadTop(double x) { return 420.0 + 14.0 * (Fbm2(x * 0.011, 5.5, 707, 3) - 0.5); }

void PaintStone(RgbImage& img, V2 center, double rx, double ry, Rgb color) {
    const V3 light = Normalize({0.55, -0.7, 0.55});
    // Contact shadow first, offset away from the light.
    for (int y = static_cast<int>(center.y - ry - 2); y <= static_cast<int>(center.y + ry + 3); ++y) {
        for (int x = static_cast<int>(center.x - rx - 3); x <= static_cast<int>(center.x + rx + 3); ++x) {
            const double u = (x + 0.5 - center.x + 1.5) / (rx + 1.5);
            const double v = (y + 0.5 - center.y - ry * 0.55) / (ry * 0.6 + 1.0);
            const double q = u * u + v * v;
            if (q < 1.0 && img.Inside(x, y)) img.At(x, y) = img.At(x, y) * (0.55 + 0.45 * q);
        }
    }
    for (int y = static_cast<int>(center.y - ry - 1); y <= static_cast<int>(center.y + ry + 1); ++y) {
        for (int x = static_cast<int>(center.x - rx - 1); x <= static_cast<int>(center.x + rx + 1); ++x) {
            const double u = (x + 0.5 - center.x) / rx;
            const double v = (y + 0.5 - center.y) / ry;
            const double q = u * u + v * v;
            if (q >= 1.0 || !img.Inside(x, y)) continue;
            const V3 n{u, v, std::sqrt(1.0 - q)};
            const double shade = 0.35 + 0.75 * std::max(0.0, Dot(n, light));
            const double speck = 0.9 + 0.2 * Noise2(x * 0.8, y * 0.8, 901);
            img.At(x, y) = color * (shade * speck);
        }
    }
}

void PaintGrassTuft(RgbImage& img, Rng& rng, V2 base, double scale) {
    const int blades = rng.Int(4, 9);
    for (int i = 0; i < blades; ++i) {
        const double h = scale * rng.Range(4.0, 11.0);
        const double lean = rng.Range(-0.6, 0.6) * h;
        const double bx = base.x + rng.Range(-3.0, 3.0) * scale;
        const Rgb dark{34, 46, 30};
        const Rgb tip = rng.Uniform() < 0.3 ? Rgb{150, 140, 70} : Rgb{96, 128, 58};
        const int steps = static_cast<int>(h * 2) + 1;
        for (int s = 0; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const int x = static_cast<int>(std::floor(bx + lean * t * t));
            const int y = static_cast<int>(std::floor(base.y - h * t));
            img.Blend(x, y, Mix(dark, tip, t), 1.0);
        }
    }
}

}  // namespace

void PaintGround(RgbImage& img) {
    for (int x = 0; x < img.width; ++x) {
        const double meadowTop = MeadowTop(x + 0.5);
        const double roadTop = RoadTop(x + 0.5);
        for (int y = static_cast<int>(std::floor(meadowTop)); y < img.height; ++y) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double near = Clamp((py - 330.0) / 150.0, 0.0, 1.0);
            const double warm = (1.0 / (1.0 + (px - kSunX) * (px - kSunX) / (260.0 * 260.0))) * (1.0 - near);
            Rgb c;
            if (py < roadTop) {
                const double tex = Fbm2(px * 0.05, py * 0.16, 808, 4);
                const double blades = Noise2(px * 0.9, py * 0.18, 809);
                c = Mix(Rgb{42, 54, 50}, Rgb{66, 86, 46}, near) * (0.78 + 0.35 * tex + 0.12 * blades);
                c = c + Rgb{34, 16, 4} * warm;
                c = c * (1.0 - 0.35 * SmoothStep(roadTop - 6, roadTop, py));      // grass shadow on the road edge
                c = c * (0.6 + 0.4 * SmoothStep(meadowTop, meadowTop + 16, py));  // the forest's shade
            } else {
                const double grain = Noise2(px * 0.7, py * 0.9, 810);
                const double patch = Fbm2(px * 0.03, py * 0.08, 811, 4);
                c = Rgb{104, 90, 80} * (0.78 + 0.3 * patch + 0.1 * grain);
                // Cart ruts: two darker wavy streaks along the road.
                for (double rut : {441.0, 466.0}) {
                    const double center = rut + 2.0 * Sin(px * 0.021 + rut);
                    const double d = std::fabs(py - center);
                    c = c * (1.0 - 0.18 * (1.0 - SmoothStep(0.0, 3.0, d)));
                    if (d > 3.0 && d < 4.5 && py < center) c = c * 1.08;  // lit rut rim
                }
                c = c * (0.82 + 0.18 * SmoothStep(roadTop, roadTop + 10, py));
                c = c + Rgb{24, 12, 4} * (warm * 0.6);
            }
            if (y >= 475) c = Mix(c, Rgb{30, 26, 24}, 0.55 + 0.1 * Noise2(px * 0.3, py, 812));
            img.At(x, y) = c;
        }
    }
}

void PaintDetails(RgbImage& img) {
    Rng rng(0xD37A115ull);
    // Stones: small ones on the far meadow, bigger ones on the road and its verge.
    for (int i = 0; i < 36; ++i) {
        const double x = rng.Range(4, 636);
        const double y = i < 12 ? rng.Range(352, 412) : rng.Range(RoadTop(x) + 3, 474);
        const double size = 1.2 + (y - 340) / 140.0 * rng.Range(2.0, 5.0);
        const double grey = rng.Range(0.8, 1.15);
        PaintStone(img, {x, y}, size * rng.Range(1.1, 1.6), size, Rgb{124, 116, 112} * grey);
    }
    // Grass tufts along the road's edge and scattered over the meadow.
    for (int i = 0; i < 70; ++i) {
        const double x = rng.Range(0, 640);
        // Two draws as call arguments would come in whichever order the compiler picks: take them
        // one by one, scale first, the order GCC builds have always used.
        const double scale = rng.Range(0.8, 1.3);
        const double lift = rng.Range(-1, 3);
        PaintGrassTuft(img, rng, {x, RoadTop(x) + lift}, scale);
    }
    for (int i = 0; i < 110; ++i) {
        const double x = rng.Range(0, 640);
        const double y = rng.Range(MeadowTop(x) + 6, RoadTop(x) - 4);
        PaintGrassTuft(img, rng, {x, y}, 0.45 + (y - 330) / 110.0);
    }
    for (int i = 0; i < 40; ++i) {  // a few tufts out on the road and along the bottom edge
        const double x = rng.Range(0, 640);
        const double y = i < 14 ? rng.Range(RoadTop(x) + 12, 470) : rng.Range(476, 482);
        PaintGrassTuft(img, rng, {x, y}, rng.Range(0.9, 1.5));
    }
    // Meadow flowers.
    for (int i = 0; i < 90; ++i) {
        const double x = rng.Range(0, 640);
        const double y = rng.Range(MeadowTop(x) + 8, RoadTop(x) - 2);
        const double pick = rng.Uniform();
        const Rgb petal = pick < 0.4 ? Rgb{236, 222, 150} : (pick < 0.75 ? Rgb{220, 220, 236} : Rgb{176, 130, 210});
        const int px = static_cast<int>(x);
        const int py = static_cast<int>(y);
        img.Blend(px, py, petal, 0.9);
        if (y > 380) img.Blend(px + 1, py, petal * 0.85, 0.9);
    }
    // Fireflies over the meadow: soft additive glows.
    for (int i = 0; i < 14; ++i) {
        const V2 c{rng.Range(20, 620), rng.Range(330, 410)};
        for (int y = static_cast<int>(c.y) - 5; y <= static_cast<int>(c.y) + 5; ++y) {
            for (int x = static_cast<int>(c.x) - 5; x <= static_cast<int>(c.x) + 5; ++x) {
                const double d2 = (x + 0.5 - c.x) * (x + 0.5 - c.x) + (y + 0.5 - c.y) * (y + 0.5 - c.y);
                img.Add(x, y, Rgb{200, 230, 110} * (0.9 / (1.0 + d2 * 1.2)));
            }
        }
    }
}

}  // namespace pictures
