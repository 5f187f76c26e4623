// The software blitter against SDL's blitter and against plain memcpy/memset of the same bytes,
// for the blits one scene frame issues. Each op is registered as <Op>/ours, <Op>/sdl (where SDL
// can do the same thing) and <Op>/memcpy; row-by-row memcpy/memset is the floor.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ddraw.h"
#include "ddraw/ddraw_control.h"
#include "platform/options.h"

namespace {

constexpr std::uint16_t kKey = 0x07E0;  // pure green in 5-6-5

// Sprite-like content: an opaque ellipse of noisy colours on a key-coloured background.
void PaintSprite(std::uint16_t* pixels, int width, int height, int pitch, std::mt19937& random) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = (x + 0.5) / width * 2 - 1;
            const double dy = (y + 0.5) / height * 2 - 1;
            const bool inside = dx * dx + dy * dy < 0.9;
            pixels[y * pitch + x] = inside ? static_cast<std::uint16_t>(random() | 0x0800) : kKey;
        }
    }
}

// A surface of ours with an SDL twin and a plain buffer of the same size and content.
struct Trio {
    IDirectDrawSurface* ours = nullptr;
    SDL_Surface* sdl = nullptr;
    std::vector<std::uint16_t> plain;
    int width = 0, height = 0;

    std::uint16_t* PlainRow(int x, int y) { return plain.data() + y * width + x; }
};

struct World {
    IDirectDraw* dd = nullptr;
    Trio back, strip, fx, gnoll, fireball, background, fillTarget;

    World() {
        platform::Options options;
        options.offscreen = true;
        options.vsync = false;
        platform::SetOptions(options);
        DirectDrawCreate(nullptr, &dd, nullptr);
        std::mt19937 random(42);
        back = Make(640, 480, DDSCAPS_SYSTEMMEMORY, false, random);
        strip = Make(640, 128, DDSCAPS_VIDEOMEMORY, false, random);
        fx = Make(128, 128, DDSCAPS_VIDEOMEMORY, true, random);
        gnoll = Make(500, 360, 0, false, random);
        fireball = Make(384, 64, 0, false, random);
        background = Make(640, 480, 0, false, random);
        fillTarget = Make(128, 128, DDSCAPS_VIDEOMEMORY, false, random);
    }

    Trio Make(int width, int height, DWORD caps, bool keyed, std::mt19937& random) {
        Trio trio;
        trio.width = width;
        trio.height = height;
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = caps;
        dd->CreateSurface(&desc, &trio.ours, nullptr);
        const platform::ddraw::PixelView view = platform::ddraw::SurfacePixels(trio.ours);
        PaintSprite(view.pixels, width, height, view.pitchPixels, random);
        if (keyed) {
            DDCOLORKEY key{kKey, kKey};
            trio.ours->SetColorKey(DDCKEY_SRCBLT, &key);
        }
        trio.sdl = SDL_CreateRGBSurfaceWithFormat(0, width, height, 16, SDL_PIXELFORMAT_RGB565);
        SDL_SetSurfaceBlendMode(trio.sdl, SDL_BLENDMODE_NONE);
        for (int y = 0; y < height; ++y)
            std::memcpy(static_cast<std::uint8_t*>(trio.sdl->pixels) + y * trio.sdl->pitch,
                        view.pixels + y * view.pitchPixels, static_cast<std::size_t>(width) * 2);
        trio.plain.assign(view.pixels, view.pixels + static_cast<std::size_t>(width) * height);
        return trio;
    }
};

World& TheWorld() {
    static World world;
    return world;
}

void SetSdlKey(SDL_Surface* surface, bool on) { SDL_SetColorKey(surface, on ? SDL_TRUE : SDL_FALSE, kKey); }

// One rectangle copy, expressed three ways.
struct CopyOp {
    Trio World::*dest;
    Trio World::*source;
    RECT src;
    int x, y;
    DWORD bltFlags;  // 0 for BltFast
    DWORD fastFlags;
    DWORD ddfx;
};

void Ours(World& w, const CopyOp& op) {
    RECT src = op.src;
    if (op.bltFlags == 0) {
        (w.*op.dest)
            .ours->BltFast(static_cast<DWORD>(op.x), static_cast<DWORD>(op.y), (w.*op.source).ours, &src, op.fastFlags);
        return;
    }
    RECT dest{op.x, op.y, op.x + (src.right - src.left), op.y + (src.bottom - src.top)};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = op.ddfx;
    (w.*op.dest).ours->Blt(&dest, (w.*op.source).ours, &src, op.bltFlags, &fx);
}

void Sdl(World& w, const CopyOp& op) {
    SDL_Rect src{op.src.left, op.src.top, op.src.right - op.src.left, op.src.bottom - op.src.top};
    SDL_Rect dest{op.x, op.y, src.w, src.h};
    SDL_BlitSurface((w.*op.source).sdl, &src, (w.*op.dest).sdl, &dest);
}

void Memcpy(World& w, const CopyOp& op) {
    Trio& d = w.*op.dest;
    Trio& s = w.*op.source;
    const std::size_t bytes = static_cast<std::size_t>(op.src.right - op.src.left) * 2;
    for (int row = 0; row < op.src.bottom - op.src.top; ++row)
        std::memcpy(d.PlainRow(op.x, op.y + row), s.PlainRow(op.src.left, op.src.top + row), bytes);
}

struct FillOp {
    Trio World::*dest;
    RECT rect;
};

void Ours(World& w, const FillOp& op) {
    RECT rect = op.rect;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = kKey;
    (w.*op.dest).ours->Blt(&rect, nullptr, &rect, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void Memset(World& w, const FillOp& op) {
    Trio& d = w.*op.dest;
    const std::size_t bytes = static_cast<std::size_t>(op.rect.right - op.rect.left) * 2;
    for (int y = op.rect.top; y < op.rect.bottom; ++y) std::memset(d.PlainRow(op.rect.left, y), 0x07, bytes);
}

std::int64_t BytesOf(const RECT& r) { return std::int64_t{r.right - r.left} * (r.bottom - r.top) * 2; }

constexpr DWORD kKeyedFast = DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY;
constexpr DWORD kKeyedFx = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX;

const CopyOp kStrip{&World::back, &World::strip, {0, 0, 640, 128}, 0, 347, 0, DDBLTFAST_WAIT, 0};
const FillOp kFxFill{&World::fx, {0, 0, 128, 128}};
const FillOp kFill{&World::fillTarget, {0, 0, 128, 128}};  // leaves the sprite in fx for the keyed ops
const CopyOp kProbe{&World::back, &World::fx, {0, 0, 128, 128}, 256, 0, 0, kKeyedFast, 0};
const CopyOp kCell{&World::fx, &World::gnoll, {100, 120, 200, 240}, 0, 0, DDBLT_WAIT, 0, 0};
const CopyOp kCreature{&World::back, &World::fx, {0, 0, 100, 120}, 270, 347, 0, kKeyedFast, 0};
const CopyOp kCreatureLeft{&World::back, &World::fx, {0, 0, 100, 120}, 270, 347, kKeyedFx, 0, DDBLTFX_MIRRORLEFTRIGHT};
const CopyOp kErase1{&World::back, &World::background, {248, 248, 312, 312}, 248, 248, 0, DDBLTFAST_WAIT, 0};
const CopyOp kErase2{&World::back, &World::background, {328, 248, 392, 312}, 328, 248, 0, DDBLTFAST_WAIT, 0};
const CopyOp kFireballCell{&World::fx, &World::fireball, {128, 0, 192, 64}, 0, 0, DDBLT_WAIT, 0, 0};
const CopyOp kFireballUpDown{&World::back, &World::fx, {0, 0, 64, 64}, 248, 248, kKeyedFx, 0, DDBLTFX_MIRRORUPDOWN};
const CopyOp kFireballBoth{
    &World::back, &World::fx, {0, 0, 64, 64}, 328, 248, kKeyedFx, 0, DDBLTFX_MIRRORUPDOWN | DDBLTFX_MIRRORLEFTRIGHT};

void RunCopy(benchmark::State& state, const CopyOp& op, void (*how)(World&, const CopyOp&), bool sdlKey) {
    World& w = TheWorld();
    SetSdlKey((w.*op.source).sdl, sdlKey);
    for (auto _ : state) {
        how(w, op);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * BytesOf(op.src));
}

void RunFill(benchmark::State& state, const FillOp& op, int variant) {
    World& w = TheWorld();
    SDL_Rect rect{op.rect.left, op.rect.top, op.rect.right - op.rect.left, op.rect.bottom - op.rect.top};
    for (auto _ : state) {
        if (variant == 0) Ours(w, op);
        if (variant == 1) SDL_FillRect((w.*op.dest).sdl, &rect, kKey);
        if (variant == 2) Memset(w, op);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * BytesOf(op.rect));
}

void RegisterCopy(const std::string& name, const CopyOp& op, bool keyed, bool sdlCanDoIt) {
    benchmark::RegisterBenchmark((name + "/ours").c_str(), [&op](benchmark::State& s) { RunCopy(s, op, Ours, false); });
    if (sdlCanDoIt)
        benchmark::RegisterBenchmark((name + "/sdl").c_str(),
                                     [&op, keyed](benchmark::State& s) { RunCopy(s, op, Sdl, keyed); });
    benchmark::RegisterBenchmark((name + "/memcpy").c_str(),
                                 [&op](benchmark::State& s) { RunCopy(s, op, Memcpy, false); });
}

void SceneFrame(World& w, bool ours) {
    auto copy = [&](const CopyOp& op) { ours ? Ours(w, op) : Memcpy(w, op); };
    auto fill = [&](const FillOp& op) { ours ? Ours(w, op) : Memset(w, op); };
    copy(kStrip);
    fill(kFxFill);
    copy(kProbe);
    copy(kCell);
    copy(kCreatureLeft);
    copy(kErase1);
    copy(kErase2);
    fill(kFxFill);
    copy(kFireballCell);
    copy(kFireballUpDown);
    copy(kFireballBoth);
}

const int kRegistered = [] {
    RegisterCopy("StripCopy640x128", kStrip, false, true);
    for (int variant = 0; variant < 3; ++variant) {
        static const char* const kSuffix[] = {"/ours", "/sdl", "/memcpy"};
        benchmark::RegisterBenchmark((std::string("Fill128x128") + kSuffix[variant]).c_str(),
                                     [variant](benchmark::State& s) { RunFill(s, kFill, variant); });
    }
    RegisterCopy("KeyedCopy128x128", kProbe, true, true);
    RegisterCopy("KeyedCopy100x120", kCreature, true, true);
    RegisterCopy("KeyedMirrorLeftRight100x120", kCreatureLeft, true, false);
    RegisterCopy("KeyedMirrorUpDown64x64", kFireballUpDown, true, false);
    RegisterCopy("KeyedMirrorBoth64x64", kFireballBoth, true, false);
    for (bool ours : {true, false}) {
        benchmark::RegisterBenchmark(
            ours ? "SceneFrameBlits/ours" : "SceneFrameBlits/memcpy", [ours](benchmark::State& s) {
                World& w = TheWorld();
                for (auto _ : s) {
                    SceneFrame(w, ours);
                    benchmark::ClobberMemory();
                }
                const std::int64_t bytes = BytesOf(kStrip.src) + 2 * BytesOf(kFxFill.rect) + BytesOf(kProbe.src) +
                                           2 * BytesOf(kCell.src) + 2 * BytesOf(kErase1.src) +
                                           3 * BytesOf(kFireballCell.src);
                s.SetBytesProcessed(s.iterations() * bytes);
            });
    }
    return 0;
}();

}  // namespace
