// The background's sky, mountain ranges, castle and forests, and the final vignette and quantising.
#include "background.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "ground.h"

namespace pictures {
namespace {

Rgb SkyColor(double x, double y) {
    static const std::vector<std::pair<double, Rgb>> kStops = {{0.00, {12, 12, 38}},   {0.40, {38, 32, 84}},
                                                               {0.66, {104, 58, 112}}, {0.82, {186, 96, 106}},
                                                               {0.93, {236, 146, 98}}, {1.00, {252, 190, 116}}};
    const double t = Clamp(y / kHorizonY, 0.0, 1.0);
    Rgb c = Ramp(kStops, t);
    // The sun has just set behind the hills on the right: a warm glow around that spot.
    const double dx = x - kSunX;
    const double dy = (y - kHorizonY) * 1.7;
    const double d2 = dx * dx + dy * dy;
    c = c + Rgb{80, 48, 22} * (1.0 / (1.0 + d2 / (120.0 * 120.0)));
    c = c + Rgb{60, 52, 34} * (1.0 / (1.0 + d2 / (34.0 * 34.0)));
    return c;
}

void PaintSky(RgbImage& img) {
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) img.At(x, y) = SkyColor(x + 0.5, y + 0.5);
    }
}

void PaintStars(RgbImage& img) {
    Rng rng(0x57A125ull);
    for (int i = 0; i < 320; ++i) {
        const int x = rng.Int(0, kScreenW - 1);
        const double u = rng.Uniform();
        const int y = static_cast<int>(230.0 * u * u);
        const double fade = 1.0 - y / 240.0;
        const double bright = rng.Range(0.25, 1.0) * fade * fade;
        const double tint = rng.Uniform();
        const Rgb color = tint < 0.3 ? Rgb{170, 190, 255} : (tint > 0.85 ? Rgb{255, 220, 170} : Rgb{235, 235, 245});
        img.Add(x, y, color * bright);
        if (rng.Uniform() < 0.08) {  // a few bright stars twinkle with a small cross
            for (int k = 0; k < 4; ++k) {
                static constexpr int kDx[4] = {1, -1, 0, 0};
                static constexpr int kDy[4] = {0, 0, 1, -1};
                img.Add(x + kDx[k], y + kDy[k], color * (bright * 0.35));
            }
        }
    }
}

void PaintMoon(RgbImage& img) {
    const V2 center{108, 76};
    const double radius = 15;
    const V2 shadow{116.5, 71};  // the disc that cuts the crescent
    for (int y = 30; y < 130; ++y) {
        for (int x = 50; x < 170; ++x) {
            const V2 p{x + 0.5, y + 0.5};
            const double d = Length(p - center);
            if (d < radius && Length(p - shadow) > radius * 0.93) {
                const double maria = Fbm2(p.x * 0.25, p.y * 0.25, 77, 3);
                const Rgb lit{244, 234, 204};
                img.At(x, y) = lit * (0.86 + 0.18 * maria);
            } else if (d >= radius) {
                img.At(x, y) = img.At(x, y) + Rgb{38, 34, 52} * (1.0 / (1.0 + (d - radius) * (d - radius) / 140.0));
            }
        }
    }
}

void PaintClouds(RgbImage& img) {
    for (int y = 110; y < 292; ++y) {
        const double band = SmoothStep(110, 160, y) * (1.0 - SmoothStep(255, 292, y));
        for (int x = 0; x < img.width; ++x) {
            const double n = Fbm2(x * 0.0042, y * 0.034, 4242, 5);
            const double alpha = SmoothStep(0.50, 0.72, n) * band;
            if (alpha <= 0) continue;
            // Undersides near the sunset catch warm light; the rest is violet shadow.
            const double below = Fbm2(x * 0.0042, (y + 4) * 0.034, 4242, 5);
            const double underside = Clamp((n - below) * 6.0 + 0.5, 0.0, 1.0);
            const double sun = 1.0 / (1.0 + (x - kSunX) * (x - kSunX) / (240.0 * 240.0));
            const double warmth = Clamp((y - 120) / 150.0, 0.0, 1.0) * (0.35 + 0.65 * sun) * (0.4 + 0.6 * underside);
            const Rgb color = Mix(Rgb{78, 52, 100}, Rgb{255, 160, 118}, warmth);
            img.Blend(x, y, color, alpha * 0.85);
        }
    }
}

// A mountain range: everything below ridge(x) takes the colour `base`. Faces turned towards the
// sunset (where the smoothed ridge falls to the right) are lit warm; the light/shadow border is
// warped with depth so the faces run down from the peaks in slanted spurs, not vertical bands.
// With distance and towards its foot the range fades into the haze of the horizon.
void PaintRange(RgbImage& img, const std::function<double(double)>& ridge,
                const std::function<double(double)>& smoothRidge, Rgb base, double haze, double mist, int bottom,
                double snowLine) {
    for (int x = 0; x < img.width; ++x) {
        const double top = ridge(x + 0.5);
        for (int y = std::max(0, static_cast<int>(std::floor(top))); y < bottom; ++y) {
            const double depth = y + 0.5 - top;
            if (depth < 0) continue;
            const double warp = (Noise2(x * 0.025, y * 0.03, 41) - 0.5) * depth * 1.6;
            const double sx = x + 0.5 + warp;
            const double slope = (smoothRidge(sx + 5.0) - smoothRidge(sx - 5.0)) / 10.0;  // > 0: faces the sun
            const double gully = Noise2(x * 0.12, y * 0.06, 43);
            const double lit = Clamp(slope * 2.2, -0.7, 1.0) * (1.0 - SmoothStep(0, 110, depth)) * (0.8 + 0.3 * gully);
            Rgb c = base * (1.0 + 0.18 * Clamp(-slope * 2.0, -1.0, 0.0));
            c = c + Rgb{58, 32, 22} * std::max(0.0, lit) + Rgb{-14, -12, -4} * std::max(0.0, -lit);
            if (top < snowLine) {
                const double cap = (snowLine - top) * 0.8 * (0.55 + 0.7 * gully);
                if (depth < cap) c = Mix(Rgb{150, 128, 178}, Rgb{250, 196, 178}, Clamp(0.35 + lit, 0.0, 1.0));
            }
            c = c * (0.95 + 0.1 * Noise2(x * 0.09, y * 0.09, 31));
            const Rgb horizon = SkyColor(x + 0.5, kHorizonY - 6);
            const double fog = haze + mist * SmoothStep(top + 8, kHorizonY + 14, y);
            img.At(x, y) = Mix(c, horizon, Clamp(fog, 0.0, 0.95));
        }
    }
}

// The far range: a row of peaks (each a cone with its own flank steepness), roughened by noise.
struct Peak {
    double x, y, leftSlope, rightSlope;
};
const std::vector<Peak>& FarPeaks() {
    static const std::vector<Peak> peaks = [] {
        std::vector<Peak> list;
        Rng rng(0x9EA45ull);
        for (double x = -40; x < 700; x += rng.Range(55, 95)) {
            list.push_back({x, rng.Range(150, 214), rng.Range(0.45, 0.9), rng.Range(0.45, 0.9)});
        }
        return list;
    }();
    return peaks;
}
double FarRidgeSmooth(double x) {
    double ridge = 262.0;
    for (const Peak& p : FarPeaks()) {
        const double dx = x - p.x;
        ridge = std::min(ridge, p.y + (dx < 0 ? -dx * p.leftSlope : dx * p.rightSlope));
    }
    return ridge;
}
double FarRidge(double x) { return FarRidgeSmooth(x) + 14.0 * (Fbm2(x * 0.03, 1.5, 1001, 4) - 0.5); }
double CastleHill(double x) {
    const double u = (x - 214.0) / 78.0;
    return u * u < 1.0 ? 34.0 * (1.0 - u * u) * (1.0 - u * u) : 0.0;
}
double MidRidge(double x) { return 286.0 - 44.0 * Fbm2(x * 0.0068, 9.1, 2002, 4) - CastleHill(x); }
double MidRidgeSmooth(double x) { return 286.0 - 44.0 * Fbm2(x * 0.0068, 9.1, 2002, 2) - CastleHill(x); }

// The castle as a set of column spans on the hill top: walls, towers, conical roofs, crenels.
bool InCastle(double x, double y) {
    const double ground = MidRidge(x) + 4;
    const double base = MidRidge(214) + 5;  // the keep's floor level
    auto inBlock = [&](double x0, double x1, double top) { return x >= x0 && x < x1 && y >= top && y < ground; };
    auto inRoof = [&](double x0, double x1, double eave, double apex) {
        const double mid = (x0 + x1) / 2;
        const double half = (x1 - x0) / 2 + 1.5;
        return y >= apex && y < eave && std::fabs(x - mid) <= half * (y - apex) / (eave - apex);
    };
    auto merlon = [&](double x0, double x1, double top, double period) {
        const double phase = std::fmod(x - x0 + 1000 * period, period);
        return x >= x0 && x < x1 && y >= top - 3 && y < top && phase < period * 0.5;
    };
    // Curtain wall with crenels.
    if (inBlock(170, 258, base - 20) || merlon(170, 258, base - 20, 6)) return true;
    // Left round tower with a cone roof.
    if (inBlock(160, 175, base - 42) || inRoof(160, 175, base - 42, base - 62)) return true;
    // Keep with crenels and a slender spire tower.
    if (inBlock(196, 228, base - 56) || merlon(196, 228, base - 56, 5)) return true;
    if (inBlock(218, 225, base - 72) || inRoof(218, 225, base - 72, base - 90)) return true;
    // Right tower.
    if (inBlock(250, 262, base - 36) || inRoof(250, 262, base - 36, base - 52)) return true;
    // Banner on the spire's tip.
    const double apexY = base - 90;
    if (x >= 221.5 && x < 222.5 && y >= apexY - 7 && y < apexY) return true;
    return false;
}

void PaintCastle(RgbImage& img) {
    const double base = MidRidge(214) + 5;
    for (int y = static_cast<int>(base) - 100; y < static_cast<int>(base) + 40; ++y) {
        for (int x = 150; x < 272; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            if (!InCastle(px, py)) continue;
            Rgb c{30, 24, 46};
            if (!InCastle(px + 1, py)) c = Rgb{124, 70, 72};  // rim light from the sunset side
            img.At(x, y) = Mix(c, SkyColor(px, kHorizonY - 6), 0.12);
        }
    }
    // Pennant and lit windows with a soft glow.
    const double apexY = base - 90;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7 - y * 2 + 1; ++x) img.At(223 + x, static_cast<int>(apexY) - 7 + y) = Rgb{150, 40, 44};
    }
    const V2 windows[] = {{203, base - 44}, {213, base - 44}, {220.5, base - 63}, {166, base - 32},
                          {184, base - 12}, {240, base - 12}, {254, base - 26},   {209, base - 26}};
    for (const V2& w : windows) {
        for (int y = static_cast<int>(w.y) - 6; y <= static_cast<int>(w.y) + 6; ++y) {
            for (int x = static_cast<int>(w.x) - 6; x <= static_cast<int>(w.x) + 6; ++x) {
                const double d2 = (x + 0.5 - w.x) * (x + 0.5 - w.x) + (y + 0.5 - w.y) * (y + 0.5 - w.y);
                img.Add(x, y, Rgb{90, 60, 20} * (1.0 / (1.0 + d2 / 2.5)));
            }
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 2; ++x) {
                img.At(static_cast<int>(w.x) + x - 1, static_cast<int>(w.y) + y - 1) = Rgb{255, 204, 116};
            }
        }
    }
}

// A row of pine trees in front of a wooded base line: each tree is a cone of branch tiers that
// widen downwards and step back in, painted as one colour with a little texture and haze.
void PaintForest(RgbImage& img, uint64_t seed, double baseLine, double minHeight, double maxHeight, int bottom,
                 Rgb color, double haze) {
    std::vector<uint8_t> mask(static_cast<size_t>(img.width) * img.height, 0);
    auto mark = [&](int x, int y) {
        if (img.Inside(x, y)) mask[static_cast<size_t>(y) * img.width + x] = 1;
    };
    for (int x = 0; x < img.width; ++x) {
        const double top = baseLine - 6.0 * Fbm2(x * 0.02, 3.3, static_cast<uint32_t>(seed), 3);
        for (int y = static_cast<int>(std::floor(top)); y < bottom; ++y) mark(x, y);
    }
    Rng rng(seed);
    for (double tx = -10; tx < img.width + 10; tx += rng.Range(3.0, 8.0)) {
        const double h = rng.Range(minHeight, maxHeight);
        const double apex = baseLine + 2.0 - h;
        const double halfWidth = h * rng.Range(0.2, 0.27);
        const double tiers = std::floor(h / 6.0) + 2.0;
        for (int y = static_cast<int>(std::floor(apex)); y < static_cast<int>(baseLine) + 3; ++y) {
            const double t = (y + 0.5 - apex) / h;
            if (t < 0) continue;
            const double tier = t * tiers - std::floor(t * tiers);
            const double w = halfWidth * t * (0.62 + 0.38 * tier) + 0.5;
            for (int x = static_cast<int>(std::floor(tx - w)); x <= static_cast<int>(std::floor(tx + w)); ++x)
                mark(x, y);
        }
    }
    for (int y = 0; y < bottom; ++y) {
        for (int x = 0; x < img.width; ++x) {
            if (!mask[static_cast<size_t>(y) * img.width + x]) continue;
            const Rgb c = color * (0.9 + 0.2 * Noise2(x * 0.3, y * 0.3, 555));
            img.At(x, y) = Mix(c, SkyColor(x + 0.5, kHorizonY - 6), haze);
        }
    }
}

}  // namespace

std::vector<Color8> PaintBackground() {
    RgbImage img(kScreenW, kScreenH);
    PaintSky(img);
    PaintStars(img);
    PaintMoon(img);
    PaintClouds(img);
    PaintRange(img, FarRidge, FarRidgeSmooth, Rgb{74, 54, 102}, 0.26, 0.5, 318, 196);
    PaintRange(img, MidRidge, MidRidgeSmooth, Rgb{50, 40, 70}, 0.14, 0.55, 320, 0);
    PaintCastle(img);
    PaintForest(img, 0xF0E57ull, 318, 8, 26, 330, Rgb{34, 40, 58}, 0.34);
    PaintForest(img, 0xF0E58ull, 338, 14, 40, 345, Rgb{20, 28, 34}, 0.10);
    PaintGround(img);
    PaintDetails(img);

    // Vignette, then quantise with a fine random grain of about one 5-bit step (triangular
    // distribution), so the gradients stay free of bands once the screen converts the picture to
    // 16 bits per pixel.
    std::vector<Color8> out(static_cast<size_t>(kScreenW) * kScreenH);
    for (int y = 0; y < kScreenH; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            const double u = (x + 0.5 - 320.0) / 320.0;
            const double v = (y + 0.5 - 240.0) / 240.0;
            const Rgb c = img.At(x, y) * (1.0 - 0.16 * (u * u + v * v));
            const double dither = (LatticeValue(x, y, 0, 99) + LatticeValue(x, y, 1, 99) - 1.0) * 6.0;
            Color8 q{ToByte(c.r + dither), ToByte(c.g + dither), ToByte(c.b + dither)};
            if (LooksLikeKey(q)) q.r = 8;  // never the sheets' transparent green
            out[static_cast<size_t>(y) * kScreenW + x] = q;
        }
    }
    return out;
}

}  // namespace pictures
