// The single display record: the DirectDraw object, the named surfaces, the video-memory tiles,
// the palettes, the screen's pixel format, the colour key and the frame-rate counters.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ddraw.h>

// Index into DisplayContext::surfaces.
enum SurfaceSlot : std::int32_t {
    Primary = 0,
    BackBuffer = 1,
    FxSurface = 2,
    Pointer1 = 3,
    Pointer2 = 4,
    Background = 5,
    GnollSheet = 6,
    BackgroundStrip = 7,
    FireballSheet = 8,
};

constexpr std::int32_t kSurfaceSlotCount = 9;
constexpr std::int32_t kMaxTiles = 100;
constexpr std::int32_t kScreenWidth = 640;
constexpr std::int32_t kScreenHeight = 480;
constexpr std::int32_t kScreenBitsPerPixel = 16;
constexpr std::int32_t kTileSize = 64;

struct DisplayContext {
    // The colour-key pair: laid out exactly as a DDCOLORKEY (low value, high value).
    DWORD colorKeyLow;
    DWORD colorKeyHigh;
    DWORD fpsLastTick;
    DWORD fpsFrameCount;
    DWORD fpsValue;
    IDirectDraw* directDraw;
    IDirectDrawSurface** surfaces;  // kSurfaceSlotCount entries, a heap block of its own
    IDirectDrawSurface* tiles[kMaxTiles];
    std::int32_t tileCount;
    IDirectDrawPalette* backgroundPalette;
    IDirectDrawPalette* gnollPalette;
    std::uint16_t redMask;
    std::uint16_t greenMask;
    std::uint16_t blueMask;
    std::int32_t redShift;
    std::int32_t greenShift;
    std::int32_t blueShift;
    std::int32_t redBits;
    std::int32_t greenBits;
    std::int32_t blueBits;
    std::int32_t redLoss;
    std::int32_t greenLoss;
    std::int32_t blueLoss;

    DisplayContext();
    DisplayContext(const DisplayContext&) = delete;
    DisplayContext& operator=(const DisplayContext&) = delete;

    // Start-up: exclusive 640x480x16, capability checks, flip chain, pixel format, colour key,
    // every surface and as many tiles as fit; ends by restoring (and so loading) everything.
    std::int32_t InitDirectDraw(HWND window);

    // Blit primitives, text and the frame-rate line.
    std::int32_t FillSurface(std::int32_t slot, DWORD color);
    std::int32_t FlipPages();
    std::int32_t DrawSurfaceText(std::int32_t slot, const char* text, std::int32_t x, std::int32_t y, COLORREF color);
    std::int32_t DrawFrameRate(std::int32_t slot);

    // Restoration and release.
    std::int32_t RestoreAllSurfaces();
    void ReleaseAll();

    // Pictures and palettes.
    std::int32_t LoadSceneBitmaps();
    IDirectDrawPalette* LoadPaletteFromBitmap(const char* name);
    HRESULT CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height);

    // The colour-key pair as the record the platform takes.
    DDCOLORKEY* ColorKey() { return reinterpret_cast<DDCOLORKEY*>(&colorKeyLow); }
};

static_assert(offsetof(DisplayContext, colorKeyHigh) == offsetof(DisplayContext, colorKeyLow) + sizeof(DWORD),
              "the colour-key pair must have DDCOLORKEY's layout");
static_assert(sizeof(DDCOLORKEY) == 2 * sizeof(DWORD));

// The one display record; null before start-up and after ReleaseAll.
extern DisplayContext* gDisplay;
