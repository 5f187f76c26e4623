#include "ddraw/direct_draw.h"

#include <new>

#include "common/app_activation.h"
#include "ddraw/control_state.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "platform/options.h"

namespace platform::ddraw {
namespace {

constexpr int kMaxSurfaceSide = 16384;
constexpr DWORD kLevelsKnown =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES | DDSCL_NORMAL | DDSCL_EXCLUSIVE;

// What this blitter does; the driver and the emulation layer report the same.
constexpr DWORD kBlitCaps = DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_COLORKEY;
constexpr DWORD kFxCaps = DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN;

using detail::LogIfOn;

void FillCaps(DDCAPS& caps, DWORD dwCaps, DWORD fxCaps, DWORD vidMemTotal, DWORD vidMemFree) {
    caps = DDCAPS{};
    caps.dwSize = sizeof(DDCAPS);
    caps.dwCaps = dwCaps;
    caps.dwCKeyCaps = DDCKEYCAPS_SRCBLT;
    caps.dwFXCaps = fxCaps;
    caps.dwVidMemTotal = vidMemTotal;
    caps.dwVidMemFree = vidMemFree;
}

bool PixelFormatMatches(const DDPIXELFORMAT& format, PixelFormat ours) {
    const PixelMasks masks = MasksOf(ours);
    return format.dwSize == sizeof(DDPIXELFORMAT) && (format.dwFlags & DDPF_RGB) != 0 && format.dwRGBBitCount == 16 &&
           format.dwRBitMask == masks.red && format.dwGBitMask == masks.green && format.dwBBitMask == masks.blue;
}

// The flip chain's buffers in memory an X server can read in place (host/frame_memory.h).
host::FrameMemory AllocatePixels(int width, int height, bool flipChain) {
    return host::AllocateFrameMemory(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), flipChain);
}

}  // namespace

DirectDraw::DirectDraw(std::shared_ptr<Device> device) : device_(std::move(device)) { detail::AddLiveObject(); }

DirectDraw::~DirectDraw() { detail::RemoveLiveObject(); }

HRESULT DirectDraw::QueryInterface(REFIID, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DirectDraw::AddRef() {
    const ULONG count = references_.fetch_add(1, std::memory_order_relaxed) + 1;
    LogIfOn("AddRef", this, static_cast<HRESULT>(count), [](Call&) {});
    return count;
}

// Surfaces keep the shared Device, so they stay usable if this object goes first.
ULONG DirectDraw::Release() {
    const ULONG count = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    LogIfOn("Release", this, static_cast<HRESULT>(count), [](Call&) {});
    if (count == 0) delete this;
    return count;
}

// ---- Cooperative level and display mode ------------------------------------------------------

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    const auto injected = detail::TakeFault("SetCooperativeLevel");
    const HRESULT result = injected ? *injected : SetCooperativeLevelNow(window, flags);
    LogIfOn("SetCooperativeLevel", this, result, [&](Call& call) { call.flags = flags; });
    return result;
}

// Exclusive full-screen (EXCLUSIVE and FULLSCREEN together) or normal; a window is required.
HRESULT DirectDraw::SetCooperativeLevelNow(HWND window, DWORD flags) {
    if (window == nullptr || (flags & ~kLevelsKnown) != 0) return DDERR_INVALIDPARAMS;
    const DWORD exclusive = flags & (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    const bool valid = normal ? exclusive == 0 : exclusive == (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (!valid) return DDERR_INVALIDPARAMS;
    device_->cooperativeLevel = flags;
    return DD_OK;
}

// The software display has one mode.
HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
    const auto injected = detail::TakeFault("SetDisplayMode");
    HRESULT result = DD_OK;
    if (injected)
        result = *injected;
    else if (width != 640 || height != 480 || bitsPerPixel != 16)
        result = DDERR_INVALIDMODE;
    if (result == DD_OK) DamageAllFlipChains();  // a mode set redraws the screen
    LogIfOn("SetDisplayMode", this, result, [&](Call& call) {
        call.x = width;
        call.y = height;
        call.flags = bitsPerPixel;
    });
    return result;
}

// ---- Capabilities ----------------------------------------------------------------------------

HRESULT DirectDraw::GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) {
    const auto injected = detail::TakeFault("GetCaps");
    const HRESULT result = injected ? *injected : GetCapsNow(driverCaps, helCaps);
    LogIfOn("GetCaps", this, result, [](Call&) {});
    return result;
}

HRESULT DirectDraw::GetCapsNow(LPDDCAPS driverCaps, LPDDCAPS helCaps) {
    if (driverCaps == nullptr && helCaps == nullptr) return DDERR_INVALIDPARAMS;
    if ((driverCaps != nullptr && driverCaps->dwSize != sizeof(DDCAPS)) ||
        (helCaps != nullptr && helCaps->dwSize != sizeof(DDCAPS)))
        return DDERR_INVALIDPARAMS;
    const detail::CapsOverride override = detail::CurrentCapsOverride();
    if (driverCaps != nullptr) {
        const auto total = static_cast<DWORD>(device_->budgetBytes());
        const auto free = static_cast<DWORD>(device_->budgetBytes() - device_->usedBytes());
        FillCaps(*driverCaps, override.active ? override.driverCaps : kBlitCaps,
                 override.active ? override.driverFxCaps : kFxCaps, total, free);
    }
    if (helCaps != nullptr)
        FillCaps(*helCaps, override.active ? override.helCaps : kBlitCaps,
                 override.active ? override.helFxCaps : kFxCaps, 0, 0);
    return DD_OK;
}

// ---- Surfaces --------------------------------------------------------------------------------

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) {
    const auto injected = detail::TakeFault("CreateSurface");
    HRESULT result;
    if (injected) {
        if (surface != nullptr) *surface = nullptr;
        result = *injected;
    } else {
        result = CreateSurfaceNow(desc, surface, outer);
    }
    LogIfOn("CreateSurface", this, result, [&](Call& call) {
        if (desc != nullptr) {
            call.flags = (desc->dwFlags & DDSD_CAPS) != 0 ? desc->ddsCaps.dwCaps : 0;
            if ((desc->dwFlags & DDSD_WIDTH) != 0) call.x = desc->dwWidth;
            if ((desc->dwFlags & DDSD_HEIGHT) != 0) call.y = desc->dwHeight;
        }
        call.source = surface != nullptr ? *surface : nullptr;
    });
    return result;
}

// Only the fields the descriptor's flags name are read. Video memory is a budget: VIDEOMEMORY
// must fit, SYSTEMMEMORY never uses it, and a request naming neither goes to video memory while
// it fits. A primary with DDSCAPS_FLIP brings exactly one back buffer, charged with it.
HRESULT DirectDraw::CreateSurfaceNow(const DDSURFACEDESC* desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) {
    if (surface == nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC) || outer != nullptr) return DDERR_INVALIDPARAMS;

    DWORD caps = (desc->dwFlags & DDSD_CAPS) != 0 ? desc->ddsCaps.dwCaps : 0;
    if ((caps & DDSCAPS_VIDEOMEMORY) != 0 && (caps & DDSCAPS_SYSTEMMEMORY) != 0) return DDERR_INVALIDCAPS;
    if ((caps & (DDSCAPS_BACKBUFFER | DDSCAPS_FRONTBUFFER)) != 0) return DDERR_INVALIDCAPS;

    const bool primary = (caps & DDSCAPS_PRIMARYSURFACE) != 0;
    const bool flipChain = (caps & DDSCAPS_FLIP) != 0;
    int width = 0;
    int height = 0;
    if (primary) {
        if (device_->cooperativeLevel == 0) return DDERR_NOCOOPERATIVELEVELSET;
        if (device_->primaryExists) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        if (flipChain != ((caps & DDSCAPS_COMPLEX) != 0)) return DDERR_INVALIDCAPS;
        const bool countGiven = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
        if (flipChain ? !countGiven || desc->dwBackBufferCount != 1 : countGiven) return DDERR_INVALIDPARAMS;
        width = device_->screenWidth;
        height = device_->screenHeight;
    } else {
        if ((caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) != 0) return DDERR_INVALIDCAPS;
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
        if (desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > kMaxSurfaceSide ||
            desc->dwHeight > kMaxSurfaceSide)
            return DDERR_INVALIDPARAMS;
        width = static_cast<int>(desc->dwWidth);
        height = static_cast<int>(desc->dwHeight);
    }
    if ((desc->dwFlags & DDSD_PIXELFORMAT) != 0 && !PixelFormatMatches(desc->ddpfPixelFormat, device_->format()))
        return DDERR_INVALIDPIXELFORMAT;
    const bool keyed = (desc->dwFlags & DDSD_CKSRCBLT) != 0;
    if (keyed &&
        (desc->ddckCKSrcBlt.dwColorSpaceLowValue > 0xFFFF || desc->ddckCKSrcBlt.dwColorSpaceHighValue > 0xFFFF))
        return DDERR_INVALIDPARAMS;

    const std::uint64_t surfaceBytes = static_cast<std::uint64_t>(width) * height * sizeof(std::uint16_t);
    const std::uint64_t totalBytes = flipChain ? 2 * surfaceBytes : surfaceBytes;
    bool video = false;
    if ((caps & DDSCAPS_VIDEOMEMORY) != 0) {
        if (!device_->TryCharge(totalBytes)) return DDERR_OUTOFVIDEOMEMORY;
        video = true;
    } else if ((caps & DDSCAPS_SYSTEMMEMORY) == 0) {
        video = device_->TryCharge(totalBytes);
    }
    caps |= video ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;

    auto pixels = AllocatePixels(width, height, flipChain);
    auto backPixels = flipChain ? AllocatePixels(width, height, true) : nullptr;
    if (pixels == nullptr || (flipChain && backPixels == nullptr)) {
        if (video) device_->Refund(totalBytes);
        return DDERR_OUTOFMEMORY;
    }
    // Each surface gives its own share of the budget back when it is destroyed.
    auto* created =
        new Surface(device_, primary ? Surface::Role::Primary : Surface::Role::Offscreen, width, height,
                    primary ? caps | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE : caps, video, std::move(pixels));
    if (flipChain) {
        const DWORD backCaps = (caps & ~DDSCAPS_PRIMARYSURFACE) | DDSCAPS_BACKBUFFER;
        created->AttachBackBuffer(
            new Surface(device_, Surface::Role::BackBuffer, width, height, backCaps, video, std::move(backPixels)));
    }
    if (keyed) created->SetSourceKey(desc->ddckCKSrcBlt.dwColorSpaceLowValue, desc->ddckCKSrcBlt.dwColorSpaceHighValue);
    *surface = created;
    return DD_OK;
}

// ---- Palettes --------------------------------------------------------------------------------

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette, IUnknown* outer) {
    const auto injected = detail::TakeFault("CreatePalette");
    HRESULT result;
    if (injected) {
        if (palette != nullptr) *palette = nullptr;
        result = *injected;
    } else {
        result = CreatePaletteNow(flags, entries, palette, outer);
    }
    LogIfOn("CreatePalette", this, result, [&](Call& call) {
        call.flags = flags;
        call.source = palette != nullptr ? *palette : nullptr;
    });
    return result;
}

// Only 256-entry palettes exist here.
HRESULT DirectDraw::CreatePaletteNow(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                     IUnknown* outer) {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if ((flags & DDPCAPS_8BIT) == 0 || entries == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *palette = new Palette(entries);
    return DD_OK;
}

}  // namespace platform::ddraw

// Each DirectDraw object reads the run options when it is made: pixel format, video memory and
// whether the display is a window.
HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer) {
    using namespace platform::ddraw;
    const auto injected = detail::TakeFault("DirectDrawCreate");
    HRESULT result = DD_OK;
    if (directDraw != nullptr) *directDraw = nullptr;
    if (injected) {
        result = *injected;
    } else if (directDraw == nullptr || driver != nullptr || outer != nullptr) {
        result = DDERR_INVALIDPARAMS;
    } else {
        const platform::Options& options = platform::CurrentOptions();
        auto device =
            std::make_shared<Device>(options.pixelFormat, std::uint64_t{options.vramKb} * 1024, !options.windowed);
        *directDraw = new DirectDraw(std::move(device));
        platform::SetDeactivationListener(LoseExclusiveModeSurfaces);
    }
    LogIfOn("DirectDrawCreate", nullptr, result,
            [&](Call& call) { call.source = directDraw != nullptr ? *directDraw : nullptr; });
    return result;
}
