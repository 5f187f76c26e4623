// make_pictures: paints the scene's pictures and writes them into a directory:
//   background.bmp  640x480 24-bit dusk landscape with a castle and the road the creature walks on
//   gnoll.bmp       500x360 8-bit sheet of 14 walking frames of a club-carrying gnoll (facing right)
//   fireball.bmp    384x64  8-bit sheet of 6 flickering fireball frames
//   vornhollow.ico  16/32/48 pixel icons of the fireball
//
// The output must be byte-for-byte identical on every run and machine, so the drawing uses only
// IEEE operations with exactly defined results (+ - * / sqrt floor fmod fabs), its own sine, its
// own hashed noise and its own PRNG (never std::rand, std::random distributions or libm
// transcendentals).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------------------------------------------
// Deterministic math
// ------------------------------------------------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

// Sine by range reduction and a Taylor series to x^13 (error below 1e-7 on [-pi/2, pi/2]).
double Sin(double x) {
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
double Cos(double x) { return Sin(x + kPi / 2); }
double Deg(double degrees) { return degrees * kPi / 180.0; }
double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
double Mix(double a, double b, double t) { return a + (b - a) * t; }
double SmoothStep(double e0, double e1, double x) {
    const double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

struct V2 {
    double x = 0;
    double y = 0;
};
V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator*(V2 a, double s) { return {a.x * s, a.y * s}; }
double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double Length(V2 a) { return std::sqrt(Dot(a, a)); }
// Rotates by `angle` radians (screen coordinates: positive turns x towards y, i.e. clockwise).
V2 Rotate(V2 a, double angle) {
    const double c = Cos(angle);
    const double s = Sin(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
// Unit vector at `degrees` from straight down, positive towards +x (forward for the creature).
V2 FromDown(double degrees) { return {Sin(Deg(degrees)), Cos(Deg(degrees))}; }

struct V3 {
    double x = 0;
    double y = 0;
    double z = 0;
};
V3 Normalize(V3 v) {
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / len, v.y / len, v.z / len};
}
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

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
double LatticeValue(int32_t x, int32_t y, int32_t z, uint32_t seed) {
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
double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Smooth value noise in [0, 1).
double Noise2(double x, double y, uint32_t seed) {
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
double Fbm2(double x, double y, uint32_t seed, int octaves) {
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
double Bayer4(int x, int y) {
    static constexpr int kMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (kMatrix[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
}

// ------------------------------------------------------------------------------------------------
// Images, palettes and file formats
// ------------------------------------------------------------------------------------------------

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
Rgb Mix(Rgb a, Rgb b, double t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

// Piecewise-linear colour ramp through (position, colour) stops sorted by position.
Rgb Ramp(const std::vector<std::pair<double, Rgb>>& stops, double t) {
    if (t <= stops.front().first) return stops.front().second;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const double u = (t - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
            return Mix(stops[i - 1].second, stops[i].second, u);
        }
    }
    return stops.back().second;
}

// Linear-light RGB picture with 0..255 channels, row 0 at the top.
struct RgbImage {
    int width;
    int height;
    std::vector<Rgb> pixels;
    RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    void Blend(int x, int y, Rgb c, double alpha) {
        if (Inside(x, y)) At(x, y) = Mix(At(x, y), c, Clamp(alpha, 0.0, 1.0));
    }
    void Add(int x, int y, Rgb c) {
        if (Inside(x, y)) At(x, y) = At(x, y) + c;
    }
};

// 8-bit indexed picture, row 0 at the top.
struct IndexImage {
    int width;
    int height;
    std::vector<uint8_t> pixels;
    IndexImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint8_t Get(int x, int y) const { return Inside(x, y) ? pixels[static_cast<size_t>(y) * width + x] : 0; }
};

struct Color8 {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};
using Palette = std::array<Color8, 256>;

constexpr uint8_t kKeyIndex = 0;
constexpr Color8 kKeyGreen{0, 255, 0};

uint8_t ToByte(double v) { return static_cast<uint8_t>(Clamp(std::floor(v + 0.5), 0.0, 255.0)); }
Color8 ToColor8(Rgb c) { return {ToByte(c.r), ToByte(c.g), ToByte(c.b)}; }

// A colour that becomes the colour key on a 5-6-5 or 5-5-5 screen: the sheets' transparent green.
bool LooksLikeKey(Color8 c) { return c.r < 8 && c.b < 8 && c.g >= 248; }

// Aborts when any entry but index 0 would turn into the colour key after conversion to 16 bits.
void CheckKeySafety(const Palette& palette, const char* name) {
    if (palette[0].r != kKeyGreen.r || palette[0].g != kKeyGreen.g || palette[0].b != kKeyGreen.b) {
        std::fprintf(stderr, "make_pictures: %s: palette entry 0 is not pure green\n", name);
        std::exit(1);
    }
    for (size_t i = 1; i < palette.size(); ++i) {
        if (LooksLikeKey(palette[i])) {
            std::fprintf(stderr, "make_pictures: %s: palette entry %zu (%d,%d,%d) matches the colour key in 16 bits\n",
                         name, i, palette[i].r, palette[i].g, palette[i].b);
            std::exit(1);
        }
    }
}

class ByteWriter {
public:
    void U8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// 40-byte BITMAPINFOHEADER, BI_RGB.
void WriteInfoHeader(ByteWriter& out, int width, int height, int bitCount, uint32_t imageSize, uint32_t colorsUsed) {
    out.U32(40);
    out.I32(width);
    out.I32(height);
    out.U16(1);
    out.U16(static_cast<uint32_t>(bitCount));
    out.U32(0);  // BI_RGB
    out.U32(imageSize);
    out.I32(2835);  // 72 dpi
    out.I32(2835);
    out.U32(colorsUsed);
    out.U32(0);
}

uint32_t RowStride(int width, int bitCount) { return ((static_cast<uint32_t>(width * bitCount) + 31u) / 32u) * 4u; }

// 24-bit bottom-up BMP of a top-down picture.
std::vector<uint8_t> EncodeBmp24(const std::vector<Color8>& topDown, int width, int height) {
    const uint32_t stride = RowStride(width, 24);
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(14 + 40 + imageSize);
    out.U32(0);
    out.U32(14 + 40);
    WriteInfoHeader(out, width, height, 24, imageSize, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Color8 c = topDown[static_cast<size_t>(y) * width + x];
            out.U8(c.b);
            out.U8(c.g);
            out.U8(c.r);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) out.U8(0);
    }
    return out.Bytes();
}

// 8-bit bottom-up BMP with a full 256-entry colour table.
std::vector<uint8_t> EncodeBmp8(const IndexImage& image, const Palette& palette) {
    const uint32_t stride = RowStride(image.width, 8);
    const uint32_t imageSize = stride * static_cast<uint32_t>(image.height);
    const uint32_t offset = 14 + 40 + 256 * 4;
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(offset + imageSize);
    out.U32(0);
    out.U32(offset);
    WriteInfoHeader(out, image.width, image.height, 8, imageSize, 256);
    for (const Color8& c : palette) {
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) out.U8(image.Get(x, y));
        for (uint32_t pad = static_cast<uint32_t>(image.width); pad < stride; ++pad) out.U8(0);
    }
    return out.Bytes();
}

// A square icon picture: straight (non-premultiplied) BGRA, row 0 at the top.
struct IconImage {
    int size;
    std::vector<std::array<uint8_t, 4>> bgra;
};

// Classic .ico: ICONDIR, one ICONDIRENTRY per image, then each image as a DIB with doubled height
// (32-bit XOR bitmap followed by a 1-bit AND mask, both bottom-up).
std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    std::vector<std::vector<uint8_t>> blobs;
    for (const IconImage& icon : images) {
        const int n = icon.size;
        const uint32_t maskStride = RowStride(n, 1);
        ByteWriter dib;
        WriteInfoHeader(dib, n, n * 2, 32, static_cast<uint32_t>(n * n * 4) + maskStride * n, 0);
        for (int y = n - 1; y >= 0; --y) {
            for (int x = 0; x < n; ++x) {
                for (uint8_t byte : icon.bgra[static_cast<size_t>(y) * n + x]) dib.U8(byte);
            }
        }
        for (int y = n - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < n; ++x) {
                if (icon.bgra[static_cast<size_t>(y) * n + x][3] == 0)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            for (uint8_t byte : row) dib.U8(byte);
        }
        blobs.push_back(dib.Bytes());
    }
    ByteWriter out;
    out.U16(0);
    out.U16(1);  // icon
    out.U16(static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.U8(static_cast<uint32_t>(images[i].size));
        out.U8(static_cast<uint32_t>(images[i].size));
        out.U8(0);   // no colour count (more than 256 colours)
        out.U8(0);   // reserved
        out.U16(1);  // planes
        out.U16(32);
        out.U32(static_cast<uint32_t>(blobs[i].size()));
        out.U32(offset);
        offset += static_cast<uint32_t>(blobs[i].size());
    }
    for (const auto& blob : blobs) {
        for (uint8_t byte : blob) out.U8(byte);
    }
    return out.Bytes();
}

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

// ------------------------------------------------------------------------------------------------
// Background: a dusk landscape. Screen rows 347..474 are the road band the creature walks in.
// ------------------------------------------------------------------------------------------------

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr double kHorizonY = 304;
constexpr double kSunX = 486;

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

double MeadowTop(double x) { return 332.0 + 6.0 * Fbm2(x * 0.03, 0.7, 606, 3); }
double RoadTop(double x) { return 420.0 + 14.0 * (Fbm2(x * 0.011, 5.5, 707, 3) - 0.5); }

// Meadow and road: grass in front of the forest, a packed-earth road with ruts in the walk band.
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
        PaintGrassTuft(img, rng, {x, RoadTop(x) + rng.Range(-1, 3)}, rng.Range(0.8, 1.3));
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

// ------------------------------------------------------------------------------------------------
// Sprite drawing: filled shapes rasterised straight into palette indices, cel-shaded, with a
// one-pixel dark outline. Hard edges only, since index 0 is an exact colour key.
// ------------------------------------------------------------------------------------------------

enum Material { kFur, kSpot, kMane, kSkin, kLeather, kCloth, kWood, kMetal, kBone, kMaterialCount };
constexpr int kShades = 4;
constexpr uint8_t kOutlineIndex = 1;
constexpr uint8_t kFirstMaterialIndex = 2;
constexpr uint8_t kEyeIndex = kFirstMaterialIndex + kMaterialCount * kShades;  // glowing iris
constexpr uint8_t kEyeHotIndex = kEyeIndex + 1;
constexpr uint8_t kBlackIndex = kEyeIndex + 2;  // pupil, nose, mouth
constexpr int kGnollColors = kBlackIndex + 1;

uint8_t MaterialIndex(Material m, int shade) {
    return static_cast<uint8_t>(kFirstMaterialIndex + m * kShades + std::clamp(shade, 0, kShades - 1));
}

Palette GnollPalette() {
    // Per material: shadow, mid, light, highlight.
    static constexpr std::array<std::array<Color8, kShades>, kMaterialCount> kRamps = {{
        {{{112, 74, 38}, {160, 116, 62}, {204, 160, 94}, {236, 204, 138}}},      // fur
        {{{58, 38, 24}, {84, 56, 34}, {110, 78, 46}, {136, 100, 62}}},           // spots
        {{{38, 24, 22}, {64, 40, 32}, {92, 58, 42}, {122, 82, 56}}},             // mane
        {{{34, 30, 34}, {56, 50, 54}, {82, 74, 76}, {112, 104, 104}}},           // dark skin
        {{{66, 38, 24}, {98, 60, 34}, {130, 86, 48}, {164, 116, 70}}},           // leather
        {{{84, 22, 24}, {126, 34, 30}, {164, 56, 40}, {198, 88, 58}}},           // cloth
        {{{72, 44, 24}, {106, 70, 38}, {140, 98, 56}, {174, 132, 84}}},          // wood
        {{{70, 74, 84}, {114, 120, 130}, {164, 170, 178}, {222, 226, 232}}},     // metal
        {{{150, 138, 110}, {196, 186, 156}, {228, 220, 196}, {250, 246, 232}}},  // bone
    }};
    Palette p{};
    p.fill(Color8{0, 0, 0});
    p[kKeyIndex] = kKeyGreen;
    p[kOutlineIndex] = {30, 20, 16};
    for (int m = 0; m < kMaterialCount; ++m) {
        for (int s = 0; s < kShades; ++s) p[MaterialIndex(static_cast<Material>(m), s)] = kRamps[m][s];
    }
    p[kEyeIndex] = {230, 150, 24};
    p[kEyeHotIndex] = {255, 226, 90};
    p[kBlackIndex] = {14, 10, 10};
    return p;
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

// A polygon (any winding): cloth, ears' tufts, mane, spikes. Lit as a flat face turned slightly up.
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

class SpriteCanvas {
public:
    SpriteCanvas(int w, int h) : image_(w, h) {}

    // Draws shapes as one group: their outline rings first, then all fills, so parts of the group
    // merge without internal lines but the group as a whole is outlined against what lies behind.
    void Draw(const std::vector<Shape>& shapes, const Style& style) {
        if (style.outline) {
            for (const Shape& shape : shapes) Raster(shape, style, true);
        }
        for (const Shape& shape : shapes) Raster(shape, style, false);
    }
    void Draw(const Shape& shape, const Style& style) { Draw(std::vector<Shape>{shape}, style); }

    // Closes the silhouette: every key pixel touching the figure becomes outline.
    void OutlineSilhouette() {
        IndexImage copy = image_;
        for (int y = 0; y < image_.height; ++y) {
            for (int x = 0; x < image_.width; ++x) {
                if (copy.Get(x, y) != kKeyIndex) continue;
                const uint8_t around[4] = {copy.Get(x + 1, y), copy.Get(x - 1, y), copy.Get(x, y + 1),
                                           copy.Get(x, y - 1)};
                for (uint8_t v : around) {
                    if (v != kKeyIndex && v != kOutlineIndex) {
                        image_.At(x, y) = kOutlineIndex;
                        break;
                    }
                }
            }
        }
    }
    const IndexImage& Image() const { return image_; }

private:
    void Raster(const Shape& shape, const Style& style, bool ring) {
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
    IndexImage image_;
};

// ------------------------------------------------------------------------------------------------
// The gnoll and its walk cycle
// ------------------------------------------------------------------------------------------------

constexpr int kCellW = 100;
constexpr int kCellH = 120;
constexpr int kWalkFrames = 14;
constexpr double kGroundY = 113.0;  // paws rest on this cell row
constexpr double kThigh = 25.0;
constexpr double kShin = 24.0;
constexpr double kFoot = 17.0;         // hock to paw (the long digitigrade foot)
constexpr double kStanceShare = 0.56;  // fraction of the cycle a paw is on the ground
constexpr double kStepFront = 26.0;    // paw lands this far ahead of the hip ...
constexpr double kStepBack = -12.0;    // ... and lifts this far behind it: 38 px, ~5 px per frame

struct LegPose {
    V2 hip, knee, hock, paw;
};
struct ArmPose {
    V2 shoulder, elbow, hand;
};
struct GnollPose {
    V2 hip;
    LegPose nearLeg, farLeg;
    ArmPose nearArm, farArm;
    double spearDeg;  // the spear's lean from straight up, positive forward
    V2 head;
    double tailSway;
};

// Paw path for a leg at cycle phase p in [0, 1): p = 0 is the paw striking the ground in front.
LegPose PoseLeg(V2 hip, double p) {
    LegPose leg;
    leg.hip = hip;
    double footDeg;  // the foot's tilt back from vertical: the heel rises towards push-off
    if (p < kStanceShare) {
        const double s = p / kStanceShare;
        leg.paw = {hip.x + kStepFront + (kStepBack - kStepFront) * s, kGroundY};
        footDeg = 28.0 + 24.0 * s * s;
    } else {
        const double s = (p - kStanceShare) / (1.0 - kStanceShare);
        const double ease = (1.0 - Cos(kPi * s)) / 2.0;
        const double lift = Sin(kPi * s) * (1.15 - 0.3 * s);
        leg.paw = {hip.x + kStepBack + (kStepFront - kStepBack) * ease, kGroundY - 11.0 * lift};
        footDeg = 52.0 + 26.0 * Sin(kPi * s) - 24.0 * ease;
    }
    leg.hock = leg.paw + FromDown(180.0 + footDeg) * kFoot;  // up and back from the paw
    // Two-bone IK hip -> hock with the knee bent forward.
    const V2 d = leg.hock - hip;
    const double dist = Clamp(Length(d), kThigh - kShin + 0.5, kThigh + kShin - 0.2);
    const V2 u = d * (1.0 / std::max(Length(d), 1e-6));
    const double along = (kThigh * kThigh - kShin * kShin + dist * dist) / (2.0 * dist);
    const double h = std::sqrt(std::max(0.0, kThigh * kThigh - along * along));
    V2 perp{-u.y, u.x};
    if (perp.x < 0) perp = perp * -1.0;
    leg.knee = hip + u * along + perp * h;
    return leg;
}

// An arm from the shoulder: upper arm and forearm angles measured from straight down.
ArmPose PoseArm(V2 shoulder, double upperDeg, double forearmDeg) {
    ArmPose arm;
    arm.shoulder = shoulder;
    arm.elbow = shoulder + FromDown(upperDeg) * 17.0;
    arm.hand = arm.elbow + FromDown(forearmDeg) * 16.0;
    return arm;
}

GnollPose PoseGnoll(int frame) {
    const double t = static_cast<double>(frame) / kWalkFrames;
    GnollPose pose;
    // Two bobs per cycle: highest while a leg passes under the hip, lowest just after each strike.
    const double bob = -1.6 * Cos(4.0 * kPi * (t - 0.28));
    pose.hip = {36.0, 60.0 + bob};
    const double nearPhase = t;
    const double farPhase = std::fmod(t + 0.5, 1.0);
    pose.nearLeg = PoseLeg(pose.hip, nearPhase);
    pose.farLeg = PoseLeg(pose.hip + V2{1.5, -1.0}, farPhase);
    // The spear is held upright in the far hand, which only rocks a little; the free near arm
    // swings against the near leg.
    const V2 shoulder = pose.hip + V2{16.0, -26.0};
    const double spearSwing = -6.0 * Cos(2.0 * kPi * farPhase);
    pose.farArm = PoseArm(shoulder + V2{-2.0, 1.0}, 14.0 + spearSwing, 92.0 + spearSwing);
    pose.spearDeg = 12.0 + 0.4 * spearSwing;
    const double swing = -24.0 * Cos(2.0 * kPi * nearPhase);
    pose.nearArm = PoseArm(shoulder, swing, swing + 22.0 + 16.0 * std::max(0.0, swing / 24.0));
    // The head lags the body's bob a little.
    const double headBob = -1.2 * Cos(4.0 * kPi * (t - 0.34));
    pose.head = {pose.hip.x + 29.0, 60.0 + headBob - 34.0};
    pose.tailSway = Sin(2.0 * kPi * t);
    return pose;
}

// Thigh, shin and the long foot as one outlined limb, then the paw with its claws.
void DrawLeg(SpriteCanvas& canvas, const LegPose& leg, int shadeShift, uint32_t seed) {
    const Style fur{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = seed};
    canvas.Draw({Capsule(leg.hock, leg.paw + V2{-1.0, -2.5}, 3.3, 2.8), Capsule(leg.knee, leg.hock, 4.8, 3.3),
                 Capsule(leg.hip, leg.knee, 8.0, 5.0)},
                fur);
    const V2 pawCenter = leg.paw + V2{1.5, -2.6};
    canvas.Draw(Ellipse(pawCenter, 5.4, 3.0, 0), Style{.material = kSkin, .shadeShift = shadeShift + 1});
    for (int c = 0; c < 2; ++c) {
        const V2 tip = pawCenter + V2{7.0, 1.5 + c * 1.2};
        canvas.Draw(Polygon({tip, tip + V2{-3.0, -2.0}, tip + V2{-3.0, 0.6}}),
                    Style{.material = kBone, .shadeShift = shadeShift, .outline = false});
    }
}

// The swinging near arm with its iron shoulder guard and a leather bracer.
void DrawFreeArm(SpriteCanvas& canvas, const ArmPose& arm, int shadeShift) {
    canvas.Draw({Capsule(arm.shoulder, arm.elbow, 5.4, 4.0), Capsule(arm.elbow, arm.hand, 4.0, 3.4)},
                Style{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = 12});
    canvas.Draw(Capsule(arm.elbow + (arm.hand - arm.elbow) * 0.3, arm.elbow + (arm.hand - arm.elbow) * 0.78, 4.3, 3.7),
                Style{.material = kLeather, .shadeShift = shadeShift});
    canvas.Draw(Ellipse(arm.shoulder + V2{0.5, 0.5}, 7.0, 5.4, 25),
                Style{.material = kMetal, .shadeShift = shadeShift});
    canvas.Draw(Capsule(arm.shoulder + V2{-4.0, 3.0}, arm.shoulder + V2{5.0, 5.0}, 0.9, 0.9),
                Style{.material = kLeather, .shadeShift = shadeShift - 1, .outline = false, .onlyOver = true});
    canvas.Draw(Ellipse(arm.hand + V2{0.5, 0.5}, 4.0, 3.8, 0), Style{.material = kFur, .shadeShift = shadeShift - 1});
}

// The near arm gripping a long spear: shaft, bound iron head and a red tassel.
void DrawSpearArm(SpriteCanvas& canvas, const ArmPose& arm, double spearDeg, int shadeShift) {
    const V2 up = FromDown(180.0 - spearDeg);
    const V2 side{-up.y, up.x};
    const V2 butt = arm.hand - up * 46.0;
    const V2 socket = arm.hand + up * 33.0;
    canvas.Draw({Capsule(arm.shoulder, arm.elbow, 5.4, 4.0), Capsule(arm.elbow, arm.hand, 4.0, 3.6)},
                Style{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = 11});
    canvas.Draw(Capsule(arm.elbow + (arm.hand - arm.elbow) * 0.3, arm.elbow + (arm.hand - arm.elbow) * 0.78, 4.3, 3.9),
                Style{.material = kLeather, .shadeShift = shadeShift});
    canvas.Draw(Capsule(butt, socket, 1.5, 1.4), Style{.material = kWood, .shadeShift = shadeShift + 1});
    // Tassel hanging from the socket, then the leaf-shaped blade.
    const V2 knot = socket - up * 1.0;
    canvas.Draw(Polygon({knot - side * 1.5, knot + side * 1.5, knot + V2{2.5, 10.0}, knot + V2{-0.5, 9.0}}),
                Style{.material = kCloth, .shadeShift = shadeShift + 1, .folds = 1.6});
    canvas.Draw(Capsule(socket - up * 2.0, socket + up * 1.5, 2.2, 2.0),
                Style{.material = kLeather, .shadeShift = shadeShift + 1});
    canvas.Draw(Polygon({socket + up * 1.0 + side * 1.8, socket + up * 5.5 + side * 3.4, socket + up * 14.0,
                         socket + up * 5.5 - side * 3.4, socket + up * 1.0 - side * 1.8}),
                Style{.material = kMetal, .shadeShift = shadeShift + 1});
    canvas.Draw(Capsule(socket + up * 2.5, socket + up * 12.0, 0.5, 0.3),
                Style{.material = kMetal, .shadeShift = 3, .outline = false, .onlyOver = true});
    // The fist closes over the shaft.
    canvas.Draw(Ellipse(arm.hand + V2{0.3, 0.2}, 4.0, 3.8, 0), Style{.material = kFur, .shadeShift = shadeShift - 1});
}

void DrawHead(SpriteCanvas& canvas, V2 h) {
    // Big rounded hyena ears; the far one sits behind the skull.
    canvas.Draw(Ellipse(h + V2{-2.0, -11.5}, 3.6, 5.6, 6), Style{.material = kFur, .shadeShift = -1});
    // Skull and broad snout merge into one head.
    const Style head{.material = kFur, .spots = true, .groupSpots = true, .spotOrigin = h, .seed = 3};
    canvas.Draw({Ellipse(h, 9.0, 8.0, 10), Capsule(h + V2{3.0, 1.5}, h + V2{13.5, 4.0}, 5.8, 4.2)}, head);
    // Lower jaw, hanging slightly open with teeth showing.
    canvas.Draw(Capsule(h + V2{3.0, 6.8}, h + V2{12.0, 9.2}, 3.0, 2.2), Style{.material = kFur, .shadeShift = -1});
    canvas.Draw(Capsule(h + V2{6.0, 7.0}, h + V2{14.0, 7.6}, 0.7, 0.9),
                Style{.outline = false, .fixedIndex = kBlackIndex});
    for (double tx : {9.5, 12.5}) {
        canvas.Draw(Polygon({h + V2{tx - 1.1, 7.0}, h + V2{tx + 1.1, 7.2}, h + V2{tx + 0.1, 9.6}}),
                    Style{.material = kBone, .outline = false});
    }
    // Dark muzzle and nose at the front of the snout.
    canvas.Draw(Capsule(h + V2{9.5, 3.0}, h + V2{14.0, 4.2}, 3.8, 3.6),
                Style{.material = kSkin, .outline = false, .onlyOver = true});
    canvas.Draw(Ellipse(h + V2{16.2, 2.8}, 1.8, 1.6, 0), Style{.outline = false, .fixedIndex = kBlackIndex});
    // Glowing eye under a heavy dark brow.
    canvas.Draw(Capsule(h + V2{1.5, -3.4}, h + V2{7.0, -2.6}, 1.1, 0.9), Style{.material = kMane, .outline = false});
    canvas.Draw(Ellipse(h + V2{5.0, -0.9}, 1.8, 1.2, 10), Style{.outline = false, .fixedIndex = kEyeIndex});
    canvas.Draw(Ellipse(h + V2{5.8, -0.9}, 0.6, 0.6, 0), Style{.outline = false, .fixedIndex = kEyeHotIndex});
    // Near ear with its dark inside.
    canvas.Draw(Ellipse(h + V2{-5.5, -9.5}, 4.2, 6.2, -26), Style{.material = kFur});
    canvas.Draw(Ellipse(h + V2{-4.8, -10.0}, 1.8, 3.6, -26),
                Style{.material = kSkin, .outline = false, .onlyOver = true});
}

// The bristly dark mane running from the crown down the back.
void DrawMane(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 start = pose.head + V2{-5.0, -5.0};
    const V2 end = pose.hip + V2{-5.0, -16.0};
    std::vector<V2> pts;
    const int spikes = 7;
    for (int i = 0; i <= spikes * 2; ++i) {
        const double t = static_cast<double>(i) / (spikes * 2);
        const V2 along = start + (end - start) * t;
        const V2 out = Rotate(V2{-0.6, -0.8}, Deg(-40.0 * t));  // bristles point up and back
        pts.push_back(along + out * ((i % 2 == 0) ? 7.0 - 2.0 * t : 2.5));
    }
    pts.push_back(end + V2{6.0, 4.0});
    pts.push_back(start + V2{6.0, 4.0});
    canvas.Draw(Polygon(pts), Style{.material = kMane});
}

// The ragged loincloth hanging from the belt, swaying with the near thigh.
void DrawLoincloth(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 hip = pose.hip;
    const double sway = (pose.nearLeg.knee.x - hip.x) * 0.22;
    std::vector<V2> pts = {hip + V2{-11.0, -8.0}, hip + V2{13.0, -5.0}};
    const int teeth = 5;
    for (int i = 0; i <= teeth * 2; ++i) {  // zig-zag hem from front to back
        const double t = static_cast<double>(i) / (teeth * 2);
        const double x = Mix(13.5 + sway, -11.0 + sway * 0.3, t);
        const double y = Mix(11.0, 6.0, t) + ((i % 2 == 0) ? 0.0 : -3.0);
        pts.push_back(hip + V2{x, y});
    }
    canvas.Draw(Polygon(pts), Style{.material = kCloth, .folds = 0.55});
}

void DrawGnoll(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 hip = pose.hip;
    DrawSpearArm(canvas, pose.farArm, pose.spearDeg, -1);
    DrawLeg(canvas, pose.farLeg, -1, 21);
    // Short bushy tail with a dark tip, hanging behind the hips.
    const V2 tailRoot = hip + V2{-11.0, -9.0};
    const V2 tailEnd = hip + V2{-15.5 - pose.tailSway, 5.0 + pose.tailSway};
    canvas.Draw(Capsule(tailRoot, tailEnd, 3.0, 4.6), Style{.material = kFur, .spots = true, .seed = 5});
    canvas.Draw(Ellipse(tailEnd + V2{-0.3, 2.5}, 3.6, 4.8, 10), Style{.material = kSpot});
    DrawMane(canvas, pose);
    // Hunched torso: pelvis, barrel chest leaning forward, and the thick neck, merged.
    const V2 chest = hip + V2{9.0, -17.0};
    canvas.Draw({Ellipse(hip + V2{0.0, -3.0}, 12.5, 10.0, 0), Ellipse(chest, 13.5, 16.0, 38),
                 Ellipse(hip + V2{5.0, -9.0}, 11.5, 9.0, 20),
                 Capsule(chest + V2{3.0, -6.0}, pose.head + V2{-2.0, 4.0}, 7.5, 6.5)},
                Style{.material = kFur, .spots = true, .groupSpots = true, .spotOrigin = hip, .seed = 1});
    // Leather strap across the chest, belt and buckle.
    canvas.Draw(Capsule(chest + V2{9.0, -12.0}, hip + V2{-4.0, -6.0}, 2.0, 2.0),
                Style{.material = kLeather, .outline = false, .onlyOver = true});
    canvas.Draw(Capsule(hip + V2{-14.0, -9.0}, hip + V2{15.0, -6.0}, 2.6, 2.6),
                Style{.material = kLeather, .outline = false, .onlyOver = true});
    DrawLeg(canvas, pose.nearLeg, 0, 22);
    DrawLoincloth(canvas, pose);
    canvas.Draw(Ellipse(hip + V2{11.5, -6.5}, 2.2, 2.6, 0), Style{.material = kMetal});
    DrawHead(canvas, pose.head);
    DrawFreeArm(canvas, pose.nearArm, 0);
    canvas.OutlineSilhouette();
}

IndexImage PaintGnollSheet() {
    IndexImage sheet(500, 360);
    for (int f = 0; f < kWalkFrames; ++f) {
        SpriteCanvas cell(kCellW, kCellH);
        DrawGnoll(cell, PoseGnoll(f));
        const int ox = (f % 5) * kCellW;
        const int oy = (f / 5) * kCellH;
        for (int y = 0; y < kCellH; ++y) {
            for (int x = 0; x < kCellW; ++x) sheet.At(ox + x, oy + y) = cell.Image().Get(x, y);
        }
        // A figure touching the cell's border has probably been cut off: worth a warning.
        for (int i = 0; i < kCellH; ++i) {
            if (cell.Image().Get(0, i) != kKeyIndex || cell.Image().Get(kCellW - 1, i) != kKeyIndex) {
                std::fprintf(stderr, "make_pictures: warning: gnoll frame %d touches the cell's side\n", f);
                break;
            }
        }
    }
    return sheet;
}

// ------------------------------------------------------------------------------------------------
// Fireball
// ------------------------------------------------------------------------------------------------

constexpr int kFireFrames = 6;
constexpr int kFireSize = 64;
constexpr int kFireRamp = 63;  // palette entries 1..63

Rgb FireColor(double heat) {
    static const std::vector<std::pair<double, Rgb>> kStops = {
        {0.00, {84, 14, 8}},    {0.16, {158, 28, 10}},   {0.36, {226, 74, 16}},  {0.56, {252, 146, 32}},
        {0.76, {255, 216, 86}}, {0.90, {255, 246, 184}}, {1.00, {255, 255, 244}}};
    return Ramp(kStops, heat);
}

Palette FirePalette() {
    Palette p{};
    p.fill(Color8{0, 0, 0});
    p[kKeyIndex] = kKeyGreen;
    for (int i = 0; i < kFireRamp; ++i) p[1 + i] = ToColor8(FireColor(static_cast<double>(i) / (kFireRamp - 1)));
    return p;
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

// Icon: the fireball, supersampled so its edge is smooth through the alpha channel.
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <output directory>\n");
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    const Palette gnollPalette = GnollPalette();
    const Palette firePalette = FirePalette();
    CheckKeySafety(gnollPalette, "gnoll.bmp");
    CheckKeySafety(firePalette, "fireball.bmp");

    bool ok = WriteFile(dir / "background.bmp", EncodeBmp24(PaintBackground(), kScreenW, kScreenH));
    ok = WriteFile(dir / "gnoll.bmp", EncodeBmp8(PaintGnollSheet(), gnollPalette)) && ok;
    ok = WriteFile(dir / "fireball.bmp", EncodeBmp8(PaintFireballSheet(), firePalette)) && ok;
    ok = WriteFile(dir / "vornhollow.ico", EncodeIco({PaintIcon(16), PaintIcon(32), PaintIcon(48)})) && ok;
    return ok ? 0 : 1;
}
