// What the shared-memory present paths spend on our side per frame: writing a 640x480 frame into
// a window's pixels (copied for a 5-6-5 window, widened for a 24-bit one, widened and scaled for
// a 1024x768 one), against memcpy of the bytes written, which is the floor; writing only a typical
// scene frame's damage against that whole frame; and the flip's comparison of its two buffers
// that finds the damage.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "ddraw/flip_damage.h"
#include "host/damage.h"
#include "host/sdl/window_pixels.h"

namespace {

using platform::host::Damage;
using platform::host::FrameWriter;
using platform::host::ImageMemory;
using platform::host::WindowPixelFormat;

const WindowPixelFormat k565{2, 0xF800, 0x07E0, 0x001F, 0};
const WindowPixelFormat k888{4, 0xFF0000, 0x00FF00, 0x0000FF, 0};

struct Frame {
    std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(640 * 480);
    Frame() {
        std::mt19937 random(7);
        for (auto& p : pixels) p = static_cast<std::uint16_t>(random());
    }
    platform::FrameView View() const { return {pixels.data(), 640, 480, 640, platform::PixelFormat::Rgb565}; }
};

void Write(benchmark::State& state, WindowPixelFormat format, int width, int height) {
    const Frame frame;
    std::vector<unsigned char> image(static_cast<std::size_t>(width) * height * format.bytesPerPixel);
    FrameWriter writer(format);
    const ImageMemory memory{image.data(), width, height, width * format.bytesPerPixel};
    for (auto _ : state) {
        writer.Write(frame.View(), memory);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(image.size()));
}

void Memcpy(benchmark::State& state, std::size_t bytes) {
    std::vector<unsigned char> from(bytes, 1);
    std::vector<unsigned char> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

// A scene frame's damage as its flip finds it (a lockstep frame with a fireball in flight): the
// creature's old and new places in its band, the fireball pair's, and the counter's digits.
Damage SceneDamage() {
    Damage damage;
    damage.Add(280, 350, 392, 467);
    damage.Add(180, 230, 250, 294);
    damage.Add(390, 230, 460, 294);
    damage.Add(300, 463, 328, 474);
    return damage;
}

void WriteDamage(benchmark::State& state, WindowPixelFormat format, int width, int height) {
    const Frame frame;
    std::vector<unsigned char> image(static_cast<std::size_t>(width) * height * format.bytesPerPixel);
    FrameWriter writer(format);
    const ImageMemory memory{image.data(), width, height, width * format.bytesPerPixel};
    Damage picture;
    platform::host::MapToPicture(SceneDamage(), 640, 480, width, height, picture);
    for (auto _ : state) {
        writer.Write(frame.View(), memory, picture);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.counters["share"] = static_cast<double>(picture.Area()) / (width * height);
}

// The flip of such a frame: the scene rewrote its band (640x128), the colour-key probe (128x128)
// and the counter, and the two buffers are compared there.
void FlipCompare(benchmark::State& state) {
    const Frame shown;
    Frame other;
    for (const pixman_box32_t& box : SceneDamage().Boxes()) {
        for (int y = box.y1; y < box.y2; ++y) other.pixels[y * 640 + box.x1] ^= 1;
    }
    Damage writes;
    writes.Add(0, 347, 640, 475);
    writes.Add(256, 0, 384, 128);
    writes.Add(300, 460, 350, 476);
    const Damage none;
    platform::ddraw::FlipDamage chain;
    const platform::ddraw::BufferView a{shown.pixels.data(), 640, 480, 640}, b{other.pixels.data(), 640, 480, 640};
    chain.Flip(writes, none, a, b);  // the first frame is damaged whole
    for (auto _ : state) benchmark::DoNotOptimize(chain.Flip(writes, none, a, b).Area());
}

BENCHMARK_CAPTURE(Write, 565_to_565_640x480, k565, 640, 480);
BENCHMARK_CAPTURE(Memcpy, 565_to_565_640x480, 640u * 480 * 2);
BENCHMARK_CAPTURE(Write, 565_to_888_640x480, k888, 640, 480);
BENCHMARK_CAPTURE(Memcpy, 565_to_888_640x480, 640u * 480 * 4);
BENCHMARK_CAPTURE(Write, 565_to_888_1024x768, k888, 1024, 768);
BENCHMARK_CAPTURE(Memcpy, 565_to_888_1024x768, 1024u * 768 * 4);

BENCHMARK_CAPTURE(WriteDamage, 565_to_888_640x480, k888, 640, 480);
BENCHMARK_CAPTURE(WriteDamage, 565_to_888_1024x768, k888, 1024, 768);
BENCHMARK(FlipCompare);

}  // namespace
