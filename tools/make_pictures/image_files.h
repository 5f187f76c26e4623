// Pictures in memory (RGB, indexed, icon), palettes with their colour key, and the BMP/ICO encoders.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

#include "deterministic_math.h"

namespace pictures {

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb Mix(Rgb a, Rgb b, double t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

// Piecewise-linear colour ramp through (position, colour) stops sorted by position.
Rgb Ramp(const std::vector<std::pair<double, Rgb>>& stops, double t);

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

inline constexpr uint8_t kKeyIndex = 0;
inline constexpr Color8 kKeyGreen{0, 255, 0};

inline uint8_t ToByte(double v) { return static_cast<uint8_t>(Clamp(std::floor(v + 0.5), 0.0, 255.0)); }
inline Color8 ToColor8(Rgb c) { return {ToByte(c.r), ToByte(c.g), ToByte(c.b)}; }

// A colour that becomes the colour key on a 5-6-5 or 5-5-5 screen: the sheets' transparent green.
inline bool LooksLikeKey(Color8 c) { return c.r < 8 && c.b < 8 && c.g >= 248; }

// Aborts when any entry but index 0 would turn into the colour key after conversion to 16 bits.
void CheckKeySafety(const Palette& palette, const char* name);

// A square icon picture: straight (non-premultiplied) BGRA, row 0 at the top.
struct IconImage {
    int size;
    std::vector<std::array<uint8_t, 4>> bgra;
};

// 24-bit bottom-up BMP of a top-down picture.
std::vector<uint8_t> EncodeBmp24(const std::vector<Color8>& topDown, int width, int height);

// 8-bit bottom-up BMP with a full 256-entry colour table.
std::vector<uint8_t> EncodeBmp8(const IndexImage& image, const Palette& palette);

// Classic .ico: ICONDIR, one ICONDIRENTRY per image, then each image as a DIB with doubled height
// (32-bit XOR bitmap followed by a 1-bit AND mask, both bottom-up).
std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images);

// Writes the bytes to `path`; on failure says so on stderr and returns false.
bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace pictures
