// The fireball's heat field, drawn as dithered palette frames for the sheet and smooth for the icon.
#include "fireball.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace pictures {
namespace {

constexpr int kFireFrames = 6;
constexpr int kFireSize = 64;
constexpr int kFireRamp = 63;  // palette entries 1..63

Rgb FireColor(double heat) {
    static const std::vector<std::pair<double, Rgb>> kStops = {
        {0.00, {84, 14, 8}},    {0.16, {158, 28, 10}},   {0.36, {226, 74, 16}},  {0.56, {252, 146, 32}},
        {0.76, {255, 216, 86}}, {0.90, {255, 246, 184}}, {1.00, {255, 255, 244}}};
    return Ramp(kStops, heat);
}

constexpr V2 kFireCenter{26.0, 38.0};
constexpr V2 kTrailDir{0.7071067811865476, -0.7071067811865476};

// Noise flowing along +x that loops over phase 0..1: two offset copies crossfaded so phase 1
// lands exactly on phase 0, with the contrast the crossfade loses put back.
double FlowNoise(V2 q, double phase, double speed, uint32_t seed, int octaves) {
    const double a = Fbm2(q.x - speed * phase, q.y, seed, octaves);
    const double b = Fbm2(q.x - speed * (phase - 1.0), q.y, seed, octaves);
    const double mixed = Mix(a, b, phase);
    const double spread = std::sqrt((1.0 - phase) * (1.0 - phase) + phase * phase);
    return 0.5 + (mixed - 0.5) / spread;
}

// Heat of the fireball at point p of its 64x64 cell in animation phase 0..1 (frames are 1/6
// apart; the animation loops). A value <= 0 means outside the flames.
// The trail points up and to the right: the program flips the sheet up-down while the ball flies
// up and left, so on screen the trail streams down and to the right, behind the ball.
double FireHeat(V2 p, double phase) {
    const V2 d = p - kFireCenter;
    const double r = Length(d);
    const double along = Dot(d, kTrailDir);  // towards the trail
    const double across = d.x * kTrailDir.y - d.y * kTrailDir.x;
    const double lobe = r > 1e-6 ? std::max(0.0, along / r) : 0.0;
    // Flame tongues streaming down the trail, stretched along it.
    const double tongues = FlowNoise({along * 0.085, across * 0.17}, phase, 2.0, 3131, 4);
    const double radius = 13.0 * (1.0 + 1.3 * lobe * lobe * lobe) * (0.68 + 0.62 * tongues);
    const double h = 1.0 - r / std::max(radius, 1.0);
    if (h <= 0) return h;
    const double licks = FlowNoise({along * 0.16, across * 0.3}, phase, 3.0, 3132, 3);
    double heat = 0.12 + 1.1 * h + 0.4 * (licks - 0.5) - 0.3 * lobe * (1.0 - h);
    const double core = 1.0 - r / 7.5;  // white-hot heart
    if (core > 0) heat = std::max(heat, 0.78 + 0.3 * core);
    return Clamp(heat, 0.0, 1.0) + 1e-3;
}

}  // namespace

Palette FirePalette() {
    Palette p{};
    p.fill(Color8{0, 0, 0});
    p[kKeyIndex] = kKeyGreen;
    for (int i = 0; i < kFireRamp; ++i) p[1 + i] = ToColor8(FireColor(static_cast<double>(i) / (kFireRamp - 1)));
    return p;
}

IndexImage PaintFireballSheet() {
    IndexImage sheet(kFireSize * kFireFrames, kFireSize);
    for (int f = 0; f < kFireFrames; ++f) {
        const double phase = static_cast<double>(f) / kFireFrames;
        IndexImage cell(kFireSize, kFireSize);
        for (int y = 0; y < kFireSize; ++y) {
            for (int x = 0; x < kFireSize; ++x) {
                const double heat = FireHeat({x + 0.5, y + 0.5}, phase);
                if (heat <= 0) continue;
                const double level = heat * (kFireRamp - 1) + Bayer4(x, y) * 1.5;
                cell.At(x, y) = static_cast<uint8_t>(1 + Clamp(std::floor(level + 0.5), 0.0, kFireRamp - 1.0));
            }
        }
        // A few embers drifting off along the trail.
        Rng rng(0xE3B0ull + static_cast<uint64_t>(f));
        for (int e = 0; e < 5; ++e) {
            const double dist = rng.Range(22.0, 34.0);
            const double spread = rng.Range(-8.0, 8.0);
            const V2 at = kFireCenter + kTrailDir * dist + V2{-kTrailDir.y, kTrailDir.x} * spread;
            const int x = static_cast<int>(at.x);
            const int y = static_cast<int>(at.y);
            const auto hot = static_cast<uint8_t>(1 + rng.Int(30, 52));
            if (!cell.Inside(x, y) || !cell.Inside(x + 1, y + 1)) continue;
            if (cell.At(x, y) != kKeyIndex) continue;
            cell.At(x, y) = hot;
            if (rng.Uniform() < 0.5) {
                cell.At(x + 1, y) = static_cast<uint8_t>(hot - 12);
                cell.At(x, y + 1) = static_cast<uint8_t>(hot - 12);
            }
        }
        for (int y = 0; y < kFireSize; ++y) {
            for (int x = 0; x < kFireSize; ++x) sheet.At(f * kFireSize + x, y) = cell.At(x, y);
        }
    }
    return sheet;
}

IconImage PaintIcon(int size) {
    IconImage icon{size, std::vector<std::array<uint8_t, 4>>(static_cast<size_t>(size) * size)};
    const int sub = 6;
    const double crop0 = 9.0;  // fireball cell area shown: [9, 57] in both axes
    const double crop1 = 57.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgb sum;
            int covered = 0;
            for (int sy = 0; sy < sub; ++sy) {
                for (int sx = 0; sx < sub; ++sx) {
                    const double u = (x + (sx + 0.5) / sub) / size;
                    const double v = (y + (sy + 0.5) / sub) / size;
                    const double heat = FireHeat({Mix(crop0, crop1, u), Mix(crop0, crop1, v)}, 0.0);
                    if (heat <= 0) continue;
                    sum = sum + FireColor(heat);
                    ++covered;
                }
            }
            auto& px = icon.bgra[static_cast<size_t>(y) * size + x];
            if (covered == 0) {
                px = {0, 0, 0, 0};
                continue;
            }
            const Color8 c = ToColor8(sum * (1.0 / covered));
            px = {c.b, c.g, c.r, ToByte(255.0 * covered / (sub * sub))};
        }
    }
    return icon;
}

}  // namespace pictures
