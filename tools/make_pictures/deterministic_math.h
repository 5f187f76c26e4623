// Deterministic math for the picture generator: its own sine, small vectors, a PRNG and hashed noise.
#pragma once

// The pictures must come out byte-for-byte the same on every run and machine, so the drawing uses
// only IEEE operations with exactly defined results (+ - * / sqrt floor fmod fabs) and the sine,
// noise and PRNG below: never std::rand, std::random distributions or libm transcendentals.

#include <cmath>
#include <cstdint>

namespace pictures {

inline constexpr double kPi = 3.14159265358979323846;

// Sine by range reduction and a Taylor series to x^13 (error below 1e-7 on [-pi/2, pi/2]).
inline double Sin(double x) {
    const double twoPi = 2.0 * kPi;
    x -= twoPi * std::floor(x / twoPi + 0.5);
    if (x > kPi / 2) {
        x = kPi - x;
    } else if (x < -kPi / 2) {
        x = -kPi - x;
    }
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 6; ++n) {
        term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}
inline double Cos(double x) { return Sin(x + kPi / 2); }
inline double Deg(double degrees) { return degrees * kPi / 180.0; }
inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Mix(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double e0, double e1, double x) {
    const double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

struct V2 {
    double x = 0;
    double y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline double Length(V2 a) { return std::sqrt(Dot(a, a)); }
// Rotates by `angle` radians (screen coordinates: positive turns x towards y, i.e. clockwise).
inline V2 Rotate(V2 a, double angle) {
    const double c = Cos(angle);
    const double s = Sin(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
// Unit vector at `degrees` from straight down, positive towards +x (forward for the creature).
inline V2 FromDown(double degrees) { return {Sin(Deg(degrees)), Cos(Deg(degrees))}; }

struct V3 {
    double x = 0;
    double y = 0;
    double z = 0;
};
inline V3 Normalize(V3 v) {
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / len, v.y / len, v.z / len};
}
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// SplitMix64: small, fast and fully specified, so every platform draws the same numbers.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        state_ += 0x9E3779B97F4A7C15ull;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }

private:
    uint64_t state_;
};

// Integer lattice hash -> [0, 1).
inline double LatticeValue(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u + 0x632BE5ABu;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h *= 0xC2B2AE35u;
    h ^= static_cast<uint32_t>(y) * 0x27D4EB2Fu;
    h = (h << 15) | (h >> 17);
    h *= 0x165667B1u;
    h ^= static_cast<uint32_t>(z) * 0x94D049BBu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<double>(h) * (1.0 / 4294967296.0);
}
inline double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Smooth value noise in [0, 1).
inline double Noise2(double x, double y, uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx);
    const auto iy = static_cast<int32_t>(fy);
    const double tx = Fade(x - fx);
    const double ty = Fade(y - fy);
    const double a = Mix(LatticeValue(ix, iy, 0, seed), LatticeValue(ix + 1, iy, 0, seed), tx);
    const double b = Mix(LatticeValue(ix, iy + 1, 0, seed), LatticeValue(ix + 1, iy + 1, 0, seed), tx);
    return Mix(a, b, ty);
}
// Fractal sum of octaves, normalised back into [0, 1).
inline double Fbm2(double x, double y, uint32_t seed, int octaves) {
    double sum = 0;
    double amplitude = 0.5;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * Noise2(x, y, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}
// 4x4 ordered-dither threshold in [-0.5, 0.5).
inline double Bayer4(int x, int y) {
    static constexpr int kMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (kMatrix[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
}

}  // namespace pictures
