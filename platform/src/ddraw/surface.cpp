#include "ddraw/surface.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/app_activation.h"
#include "ddraw/control_state.h"
#include "gdi/surface_dc.h"
#include "host/host.h"
#include "present/presenter.h"

namespace platform::ddraw {
namespace {

// Every live surface, so that MarkAllSurfacesLost can reach them.
std::mutex gRegistryMutex;
std::vector<Surface*> gRegistry;  // guarded by gRegistryMutex

void Register(Surface* surface) {
    std::lock_guard lock(gRegistryMutex);
    gRegistry.push_back(surface);
}

void Unregister(Surface* surface) {
    std::lock_guard lock(gRegistryMutex);
    std::erase(gRegistry, surface);
}

using detail::LogIfOn;

void LogIfOn(const char* op, const void* object, HRESULT result) {
    LogIfOn(op, object, result, [](Call&) {});
}

}  // namespace

Surface::Surface(std::shared_ptr<Device> device, Role role, int width, int height, DWORD caps, bool videoMemory,
                 host::FrameMemory pixels)
    : device_(std::move(device)),
      role_(role),
      width_(width),
      height_(height),
      caps_(caps),
      videoMemory_(videoMemory),
      pixels_(std::move(pixels)),
      references_(role == Role::BackBuffer ? 0 : 1) {
    if (role_ == Role::Primary) device_->primaryExists = true;
    written_.Add(0, 0, width_, height_);
    detail::AddLiveObject();
    Register(this);
}

Surface::~Surface() {
    Unregister(this);
    if (dc_ != nullptr) gdi::DestroySurfaceDC(dc_);
    delete backBuffer_;
    if (videoMemory_) device_->Refund(static_cast<std::uint64_t>(width_) * height_ * sizeof(std::uint16_t));
    if (role_ == Role::Primary) device_->primaryExists = false;
    detail::RemoveLiveObject();
}

void Surface::AttachBackBuffer(Surface* backBuffer) {
    backBuffer_ = backBuffer;
    backBuffer->primary_ = this;
}

void Surface::Damaged(const RECT& rect) {
    if (role_ != Role::Offscreen && host::CurrentHost().WantsDamage()) {
        written_.Record(rect.left, rect.top, rect.right, rect.bottom);
    }
}

void Surface::SetSourceKey(DWORD low, DWORD high) {
    hasSourceKey_ = true;
    sourceKey_ = DDCOLORKEY{low, high};
    // A high value below the low one leaves the single value `low` transparent.
    const DWORD top = std::max(low, high);
    sourceKeyRange_ = ColorKeyRange{static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(top - low)};
}

HRESULT Surface::QueryInterface(REFIID, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
    const ULONG count = references_.fetch_add(1, std::memory_order_relaxed) + 1;
    LogIfOn("AddRef", this, static_cast<HRESULT>(count));
    return count;
}

ULONG Surface::Release() {
    ULONG count = references_.load(std::memory_order_relaxed);
    if (role_ == Role::BackBuffer) {
        // The primary owns the back buffer; this only gives back a GetAttachedSurface reference.
        if (count > 0) count = references_.fetch_sub(1, std::memory_order_relaxed) - 1;
        LogIfOn("Release", this, static_cast<HRESULT>(count));
        return count;
    }
    count = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    LogIfOn("Release", this, static_cast<HRESULT>(count));
    if (count == 0) delete this;
    return count;
}

// ---- Flip ------------------------------------------------------------------------------------

HRESULT Surface::PrepareFlip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) {
    const auto injected = detail::TakeFault("Flip");
    const HRESULT result = injected ? *injected : CheckFlip(targetOverride, flags);
    LogIfOn("Flip", this, result, [&](Call& call) {
        call.flags = flags;
        call.source = targetOverride;
    });
    return result;
}

HRESULT Surface::CheckFlip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) const {
    if (role_ != Role::Primary || backBuffer_ == nullptr) return DDERR_NOTFLIPPABLE;
    if ((flags & ~DDFLIP_WAIT) != 0) return DDERR_INVALIDPARAMS;
    if (targetOverride != nullptr && From(targetOverride) != backBuffer_) return DDERR_INVALIDPARAMS;
    if ((device_->cooperativeLevel & DDSCL_EXCLUSIVE) == 0) return DDERR_NOEXCLUSIVEMODE;
    if (Lost() || backBuffer_->Lost()) return DDERR_SURFACELOST;
    if (Busy() || backBuffer_->Busy()) return DDERR_SURFACEBUSY;
    return DD_OK;
}

void Surface::ShowFront(DWORD flags) {
    FrameView frame{pixels_.get(), width_, height_, width_, device_->format(), pixels_.get_deleter().sharedMemoryId};
    if (host::CurrentHost().WantsDamage()) {
        const BufferView back{backBuffer_->pixels_.get(), width_, height_, width_};
        frame.damage = &flipDamage_.Flip(written_, backBuffer_->written_,
                                          BufferView{pixels_.get(), width_, height_, width_}, back);
    } else {
        flipDamage_.Forget();
    }
    written_.Clear();
    PresentFrame(frame, (flags & DDFLIP_WAIT) != 0);
}

// ---- GetAttachedSurface ----------------------------------------------------------------------

HRESULT Surface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) {
    const auto injected = detail::TakeFault("GetAttachedSurface");
    HRESULT result;
    if (injected) {
        if (attached != nullptr) *attached = nullptr;
        result = *injected;
    } else {
        result = GetAttachedSurfaceNow(caps, attached);
    }
    LogIfOn("GetAttachedSurface", this, result, [&](Call& call) {
        call.flags = caps != nullptr ? caps->dwCaps : 0;
        call.source = attached != nullptr ? *attached : nullptr;
    });
    return result;
}

HRESULT Surface::GetAttachedSurfaceNow(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) {
    if (attached == nullptr || caps == nullptr) return DDERR_INVALIDPARAMS;
    *attached = nullptr;
    if (Lost()) return DDERR_SURFACELOST;
    // The only attachment is the primary's back buffer; it answers requests for any subset of
    // its own capabilities that names DDSCAPS_BACKBUFFER.
    if (backBuffer_ == nullptr || (caps->dwCaps & DDSCAPS_BACKBUFFER) == 0 || (caps->dwCaps & ~backBuffer_->caps_) != 0)
        return DDERR_NOTFOUND;
    backBuffer_->references_.fetch_add(1, std::memory_order_relaxed);
    *attached = backBuffer_;
    return DD_OK;
}

// ---- GetDC / ReleaseDC -----------------------------------------------------------------------

HRESULT Surface::GetDC(HDC* dc) {
    const auto injected = detail::TakeFault("GetDC");
    HRESULT result;
    if (injected) {
        if (dc != nullptr) *dc = nullptr;
        result = *injected;
    } else {
        result = GetDCNow(dc);
    }
    LogIfOn("GetDC", this, result);
    return result;
}

// A second GetDC leaves the caller's handle as it was; other failures clear it.
HRESULT Surface::GetDCNow(HDC* dc) {
    if (dc == nullptr) return DDERR_INVALIDPARAMS;
    if (dc_ != nullptr) return DDERR_DCALREADYCREATED;
    *dc = nullptr;
    if (Lost()) return DDERR_SURFACELOST;
    if (lockedAt_ != nullptr) return DDERR_SURFACEBUSY;
    dc_ = gdi::CreateSurfaceDC(pixels_.get(), width_, height_, width_, device_->format());
    if (dc_ == nullptr) return DDERR_CANTCREATEDC;
    *dc = dc_;
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    const auto injected = detail::TakeFault("ReleaseDC");
    const HRESULT result = injected ? *injected : ReleaseDCNow(dc);
    LogIfOn("ReleaseDC", this, result);
    return result;
}

// A lost surface still gives its DC back, so a lock can never outlive its owner's wish.
HRESULT Surface::ReleaseDCNow(HDC dc) {
    if (dc_ == nullptr) return DDERR_NODC;
    if (dc != dc_) return DDERR_INVALIDPARAMS;
    // What GDI drew: the text's extent, a picture's rectangle.
    const RECT drawn = gdi::DestroySurfaceDC(dc_);
    dc_ = nullptr;
    if (drawn.left < drawn.right) Damaged(drawn);
    return DD_OK;
}

// ---- Lock / Unlock ---------------------------------------------------------------------------

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) {
    const auto injected = detail::TakeFault("Lock", caps_);
    HRESULT result;
    if (injected) {
        if (desc != nullptr && desc->dwSize == sizeof(DDSURFACEDESC)) desc->lpSurface = nullptr;
        result = *injected;
    } else {
        result = LockNow(rect, desc, flags, event);
    }
    LogIfOn("Lock", this, result, [&](Call& call) {
        call.flags = flags;
        if (rect != nullptr) {
            call.dest = *rect;
            call.hasDest = true;
        }
    });
    return result;
}

// The description is filled as GetSurfaceDesc fills it, with lpSurface at the rectangle's first
// pixel (the whole surface when there is none); lPitch is the surface's row pitch in bytes.
HRESULT Surface::LockNow(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) {
    constexpr DWORD kKnown = DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY;
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC) || event != nullptr || (flags & ~kKnown) != 0)
        return DDERR_INVALIDPARAMS;
    const RECT area = rect != nullptr ? *rect : RECT{0, 0, width_, height_};
    if (area.left < 0 || area.top < 0 || area.left >= area.right || area.top >= area.bottom || area.right > width_ ||
        area.bottom > height_)
        return DDERR_INVALIDPARAMS;
    if (Lost()) return DDERR_SURFACELOST;
    if (Busy()) return DDERR_SURFACEBUSY;
    GetSurfaceDescNow(desc);
    if ((flags & DDLOCK_READONLY) == 0) Damaged(area);
    lockedAt_ = pixels_.get() + static_cast<std::ptrdiff_t>(area.top) * width_ + area.left;
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = lockedAt_;
    return DD_OK;
}

HRESULT Surface::Unlock(LPVOID surfaceData) {
    const auto injected = detail::TakeFault("Unlock");
    const HRESULT result = injected ? *injected : UnlockNow(surfaceData);
    LogIfOn("Unlock", this, result);
    return result;
}

// The pointer Lock handed out, or none; a lost surface is still unlocked, as ReleaseDC does.
HRESULT Surface::UnlockNow(LPVOID surfaceData) {
    if (lockedAt_ == nullptr) return DDERR_NOTLOCKED;
    if (surfaceData != nullptr && surfaceData != lockedAt_) return DDERR_INVALIDRECT;
    lockedAt_ = nullptr;
    return DD_OK;
}

// ---- Descriptions ----------------------------------------------------------------------------

static void FillPixelFormat(DDPIXELFORMAT& format, PixelFormat pixelFormat) {
    const PixelMasks masks = MasksOf(pixelFormat);
    format = DDPIXELFORMAT{};
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = 16;
    format.dwRBitMask = masks.red;
    format.dwGBitMask = masks.green;
    format.dwBBitMask = masks.blue;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
    const auto injected = detail::TakeFault("GetPixelFormat");
    const HRESULT result = injected ? *injected : GetPixelFormatNow(format);
    LogIfOn("GetPixelFormat", this, result);
    return result;
}

HRESULT Surface::GetPixelFormatNow(LPDDPIXELFORMAT format) {
    if (format == nullptr || format->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    FillPixelFormat(*format, device_->format());
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    const auto injected = detail::TakeFault("GetSurfaceDesc");
    const HRESULT result = injected ? *injected : GetSurfaceDescNow(desc);
    LogIfOn("GetSurfaceDesc", this, result);
    return result;
}

HRESULT Surface::GetSurfaceDescNow(LPDDSURFACEDESC desc) {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    *desc = DDSURFACEDESC{};
    desc->dwSize = sizeof(DDSURFACEDESC);
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->lPitch = static_cast<LONG>(width_ * sizeof(std::uint16_t));
    if (backBuffer_ != nullptr) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    if (hasSourceKey_) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = sourceKey_;
    }
    FillPixelFormat(desc->ddpfPixelFormat, device_->format());
    desc->ddsCaps.dwCaps = caps_;
    return DD_OK;
}

// ---- Loss and restoration --------------------------------------------------------------------

HRESULT Surface::IsLost() {
    const auto injected = detail::TakeFault("IsLost");
    const HRESULT result = injected ? *injected : (Lost() ? DDERR_SURFACELOST : DD_OK);
    LogIfOn("IsLost", this, result);
    return result;
}

HRESULT Surface::Restore() {
    const auto injected = detail::TakeFault("Restore");
    const HRESULT result = injected ? *injected : RestoreNow();
    LogIfOn("Restore", this, result);
    return result;
}

// While the application is in the background, exclusive mode cannot come back.
HRESULT Surface::RestoreNow() {
    if (role_ == Role::BackBuffer) return DDERR_IMPLICITLYCREATED;
    if (LostWithExclusiveMode() && !AppActive()) return DDERR_WRONGMODE;
    for (Surface* surface : {this, backBuffer_}) {
        if (surface == nullptr || !surface->Lost()) continue;
        surface->FillWithLostPattern();
        surface->DamageAll();
        surface->lost_.store(false, std::memory_order_relaxed);
    }
    return DD_OK;
}

// Restored memory has undefined contents; 8x8 magenta and black checks make a missed reload obvious.
void Surface::FillWithLostPattern() {
    const PixelMasks masks = MasksOf(device_->format());
    const auto magenta = static_cast<std::uint16_t>(masks.red | masks.blue);
    for (int y = 0; y < height_; ++y) {
        std::uint16_t* row = pixels_.get() + static_cast<std::ptrdiff_t>(y) * width_;
        for (int x = 0; x < width_; ++x) row[x] = (((x >> 3) ^ (y >> 3)) & 1) != 0 ? magenta : std::uint16_t{0};
    }
}

// ---- Colour key ------------------------------------------------------------------------------

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    const auto injected = detail::TakeFault("SetColorKey");
    const HRESULT result = injected ? *injected : SetColorKeyNow(flags, key);
    LogIfOn("SetColorKey", this, result, [&](Call& call) {
        call.flags = flags;
        if (key != nullptr) {
            call.x = key->dwColorSpaceLowValue;
            call.y = key->dwColorSpaceHighValue;
        }
    });
    return result;
}

// Only source blit keys exist here. With DDCKEY_COLORSPACE the key is the range low..high;
// without it, the single value low. A null key removes it.
HRESULT Surface::SetColorKeyNow(DWORD flags, LPDDCOLORKEY key) {
    if ((flags & (DDCKEY_DESTBLT | DDCKEY_DESTOVERLAY | DDCKEY_SRCOVERLAY)) != 0) return DDERR_UNSUPPORTED;
    if ((flags & DDCKEY_SRCBLT) == 0 || (flags & ~(DDCKEY_SRCBLT | DDCKEY_COLORSPACE)) != 0) return DDERR_INVALIDPARAMS;
    if (key == nullptr) {
        hasSourceKey_ = false;
        return DD_OK;
    }
    if (key->dwColorSpaceLowValue > 0xFFFF || key->dwColorSpaceHighValue > 0xFFFF) return DDERR_INVALIDPARAMS;
    const DWORD low = key->dwColorSpaceLowValue;
    SetSourceKey(low, (flags & DDCKEY_COLORSPACE) != 0 ? key->dwColorSpaceHighValue : low);
    return DD_OK;
}

void MarkAllSurfacesLost() {
    std::lock_guard lock(gRegistryMutex);
    for (Surface* surface : gRegistry) surface->MarkLost();
}

void DamageAllFlipChains() {
    std::lock_guard lock(gRegistryMutex);
    for (Surface* surface : gRegistry) surface->DamageAll();
}

void LoseExclusiveModeSurfaces() {
    std::lock_guard lock(gRegistryMutex);
    for (Surface* surface : gRegistry) {
        if (surface->LostWithExclusiveMode()) surface->MarkLost();
    }
}

}  // namespace platform::ddraw
