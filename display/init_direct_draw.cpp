#include <cstring>

#include "app/fatal_error.h"
#include "display/display_context.h"
#include "display/error_text.h"
#include "display/frame_observer.h"
#include "display/pixel_format.h"

namespace {

constexpr DWORD kSurfaceFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;

// Sets the fields of the shared descriptor that a plain surface request names.
void DescribeSurface(DDSURFACEDESC& desc, DWORD width, DWORD height, DWORD caps) {
    desc.dwFlags = kSurfaceFlags;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = caps;
}

bool Offered(const DDCAPS& driver, const DDCAPS& hel, DWORD DDCAPS::*field, DWORD bit) {
    return ((driver.*field) & bit) != 0 || ((hel.*field) & bit) != 0;
}

}  // namespace

std::int32_t DisplayContext::InitDirectDraw(HWND window) {
    if (window == nullptr) return 0;

    if (DirectDrawCreate(nullptr, &directDraw, nullptr) != DD_OK) {
        directDraw = nullptr;
        return ShowFatalError(window, "Cannot create DirectDraw object.\n Please install DirectX 3.01a or greater.\n");
    }
    if (directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) {
        return ShowFatalError(window,
                              "This program needs to run in DirectDraw\n Exclusive Mode.\n\nPlease restart after "
                              "closing other \nDirect Draw programs.");
    }
    if (directDraw->SetDisplayMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel) != DD_OK) {
        return ShowFatalError(window, "SetDisplayMode failed for\nDirectDraw (640x480x16)\n");
    }

    // The result is not examined: a failed query leaves records that offer nothing, so the checks
    // below refuse the driver.
    DDCAPS driverCaps;
    DDCAPS helCaps;
    std::memset(&driverCaps, 0, sizeof driverCaps);
    std::memset(&helCaps, 0, sizeof helCaps);
    driverCaps.dwSize = sizeof driverCaps;
    helCaps.dwSize = sizeof helCaps;
    directDraw->GetCaps(&driverCaps, &helCaps);

    if (!Offered(driverCaps, helCaps, &DDCAPS::dwFXCaps, DDFXCAPS_BLTMIRRORLEFTRIGHT)) {
        return ShowFatalError(window, "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n");
    }
    if (!Offered(driverCaps, helCaps, &DDCAPS::dwFXCaps, DDFXCAPS_BLTMIRRORUPDOWN)) {
        return ShowFatalError(window, "Neither driver nor HEL\nsupports MIRRORUPDOWN\n");
    }
    if (!Offered(driverCaps, helCaps, &DDCAPS::dwCaps, DDCAPS_BLTCOLORFILL)) {
        return ShowFatalError(window, "Neither driver nor HEL supports BLTCOLORFILL\n");
    }

    // One descriptor serves every request; later requests set only the fields they name.
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
    HRESULT result = directDraw->CreateSurface(&desc, &surfaces[Primary], nullptr);
    if (result != DD_OK) {
        surfaces[Primary] = nullptr;
        char text[256];
        std::strcpy(text, "CreateSurface failed for DirectDraw.\n");
        return ShowFatalError(window, DescribeDirectDrawError(result, text, sizeof text));
    }

    DDSCAPS backBufferCaps;
    backBufferCaps.dwCaps = DDSCAPS_BACKBUFFER;
    if (surfaces[Primary]->GetAttachedSurface(&backBufferCaps, &surfaces[BackBuffer]) != DD_OK) {
        surfaces[BackBuffer] = nullptr;
        return ShowFatalError(window, "GetAttachedSurface failed for DirectDraw.\n");
    }

    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.dwSize = sizeof format;
    if (surfaces[BackBuffer]->GetPixelFormat(&format) != DD_OK) {
        return ShowFatalError(window, "GetPixelFormat failed for DirectDraw.\n");
    }
    const ColorField red = AnalyseColorMask(format.dwRBitMask);
    const ColorField green = AnalyseColorMask(format.dwGBitMask);
    const ColorField blue = AnalyseColorMask(format.dwBBitMask);
    redMask = red.mask;
    greenMask = green.mask;
    blueMask = blue.mask;
    redShift = red.shift;
    greenShift = green.shift;
    blueShift = blue.shift;
    redBits = red.bits;
    greenBits = green.bits;
    blueBits = blue.bits;
    redLoss = red.loss;
    greenLoss = green.loss;
    blueLoss = blue.loss;
    // Pure green in this format is every green bit and nothing else: the green mask itself.
    colorKeyLow = greenMask;
    colorKeyHigh = greenMask;

    struct Request {
        SurfaceSlot slot;
        DWORD width;
        DWORD height;
        DWORD caps;
        bool keyed;
        const char* failure;
    };
    static constexpr Request kVideoMemorySurfaces[] = {
        {BackgroundStrip, 640, 128, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, false,
         "Failed to create surface for background replacement in VRAM\n"},
        {Pointer1, 128, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, true,
         "Failed to create surface for Pointer_1 in VRAM\n"},
        {Pointer2, 128, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, true,
         "Failed to create surface for Pointer_2 in VRAM\n"},
        {FxSurface, 128, 128, DDSCAPS_VIDEOMEMORY, true, "Failed to create FX surface in VRAM.\n"},
    };
    static constexpr Request kPictureSurfaces[] = {
        {Background, 640, 480, DDSCAPS_OFFSCREENPLAIN, false,
         "Failed to create background surface in RAM.\nPlease close other programs and restart this program.\n"},
        {GnollSheet, 500, 360, DDSCAPS_OFFSCREENPLAIN, false,
         "Failed to create gnoll surface in RAM.\nPlease close other programs and restart this program.\n"},
        {FireballSheet, 384, 64, DDSCAPS_OFFSCREENPLAIN, false,
         "Failed to create fireball surface in RAM.\nPlease close other programs and restart this program.\n"},
    };
    auto create = [&](const Request& request) {
        DescribeSurface(desc, request.width, request.height, request.caps);
        if (directDraw->CreateSurface(&desc, &surfaces[request.slot], nullptr) != DD_OK) {
            surfaces[request.slot] = nullptr;
            ShowFatalError(window, request.failure);
            return false;
        }
        // The key's result is not examined; restoration sets it again.
        if (request.keyed) surfaces[request.slot]->SetColorKey(DDCKEY_SRCBLT, ColorKey());
        return true;
    };

    for (const Request& request : kVideoMemorySurfaces) {
        if (!create(request)) return 0;
    }

    // As many tiles as the video memory left over holds; running out is no error.
    DescribeSurface(desc, kTileSize, kTileSize, DDSCAPS_VIDEOMEMORY);
    tileCount = 0;
    while (tileCount < kMaxTiles) {
        if (directDraw->CreateSurface(&desc, &tiles[tileCount], nullptr) != DD_OK) {
            tiles[tileCount] = nullptr;
            break;
        }
        ++tileCount;
    }

    for (const Request& request : kPictureSurfaces) {
        if (!create(request)) return 0;
    }

    if (gFrameObserver != nullptr) gFrameObserver->RunStarted(directDraw, redMask, greenMask, blueMask, tileCount);
    if (RestoreAllSurfaces() == 0) return ShowFatalError(window, "Failed to restore all surfaces.\n");
    return 1;
}
