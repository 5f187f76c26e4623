// A software DirectDraw surface: 16-bit pixels in memory, an optional source colour key, a lock
// (by Lock, or by GetDC for a GDI device context) and a lost flag. A locked surface refuses blits,
// device contexts and flips until it is unlocked. Surfaces are lost as on Windows when the
// application is switched away from in exclusive full-screen mode: the primary chain and every
// video-memory surface, until restored once the application is in front again. Tests can also
// lose them all at once.
//
// Flip chains: the primary owns its back buffer. The back buffer's own reference count only
// counts the references handed out by GetAttachedSurface; it never frees the back buffer. When
// the primary's last reference goes, the whole chain (both objects, both blocks of memory) goes
// with it, whether or not those back-buffer references were released, as with a complex surface
// on Windows. A back-buffer pointer must not be used after its primary is released.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "ddraw.h"
#include "ddraw/blit_kernels.h"
#include "ddraw/device.h"
#include "ddraw/flip_damage.h"
#include "host/damage.h"
#include "host/frame_memory.h"

namespace platform::ddraw {

// A surface's pixels: rows pitchPixels apart.
struct PixelView {
    std::uint16_t* pixels;
    int width, height, pitchPixels;
};

class Surface;

// What a checked Blt or BltFast is to do.
struct BlitWork {
    Surface* source = nullptr;  // null: a colour fill of destRect with fillValue
    RECT sourceRect{};
    RECT destRect{};  // another size than sourceRect: the source is scaled
    std::uint16_t fillValue = 0;
    const ColorKeyRange* key = nullptr;  // the source pixels left out, none when null
    unsigned mirror = kMirrorNone;
};

// Marks every live surface lost, as a mode switch would on a real display.
void MarkAllSurfacesLost();

// Marks lost what leaving exclusive mode loses: the primary chain and the video-memory surfaces
// of every DirectDraw object holding exclusive full-screen mode.
void LoseExclusiveModeSurfaces();

// Damages every flip chain everywhere, as a mode change does.
void DamageAllFlipChains();

class Surface final : public IDirectDrawSurface {
public:
    enum class Role { Offscreen, Primary, BackBuffer };

    // `caps` are the capabilities GetSurfaceDesc reports, memory location included. `pixels`
    // holds width x height pixels. A primary or offscreen surface starts with one reference;
    // a back buffer with none (it is attached with AttachBackBuffer).
    Surface(std::shared_ptr<Device> device, Role role, int width, int height, DWORD caps, bool videoMemory,
            host::FrameMemory pixels);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Makes `backBuffer` (role BackBuffer) the owned back buffer of this primary.
    void AttachBackBuffer(Surface* backBuffer);
    void SetSourceKey(DWORD low, DWORD high);

    static Surface* From(IDirectDrawSurface* surface) { return static_cast<Surface*>(surface); }
    PixelView View() { return PixelView{pixels_.get(), width_, height_, width_}; }
    void MarkLost() { lost_.store(true, std::memory_order_relaxed); }
    // Records rect (valid) as written, for a surface of the flip chain while the host uses damage.
    void Damaged(const RECT& rect);
    void DamageAll() { Damaged(RECT{0, 0, width_, height_}); }
    // Whether this surface goes with exclusive mode (see LoseExclusiveModeSurfaces).
    bool LostWithExclusiveMode() const {
        return device_->HoldsExclusiveMode() && (videoMemory_ || role_ != Role::Offscreen);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                                  LPDDBLTFX effects) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) override;

private:
    ~Surface();

    // Blt, BltFast and Flip come in halves. The first takes an injected fault or checks the
    // arguments, logs the call and, on DD_OK, says in `work` what is to be done; DoBlit,
    // SwapWithBackBuffer and ShowFront then do it. The COM entries that join them are compiled
    // apart (surface_entries_exact.cpp), so that a test build can link entries of its own.
    HRESULT PrepareBlt(const RECT* destRect, LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD flags,
                       const DDBLTFX* effects, BlitWork& work);
    HRESULT PrepareBltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD flags,
                           BlitWork& work);
    HRESULT PrepareFlip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags);
    HRESULT CheckFlip(LPDIRECTDRAWSURFACE targetOverride, DWORD flags) const;
    HRESULT CheckBlt(const RECT* destRect, Surface* source, const RECT* sourceRect, DWORD flags, const DDBLTFX* effects,
                     BlitWork& work);
    HRESULT CheckBltFast(DWORD x, DWORD y, Surface* source, const RECT* sourceRect, DWORD flags, BlitWork& work);
    void DoBlit(const BlitWork& work);
    // The back buffer's memory becomes the front's and the other way round; what was written into
    // each goes with it.
    void SwapWithBackBuffer() {
        std::swap(pixels_, backBuffer_->pixels_);
        written_.Swap(backBuffer_->written_);
    }
    // Hands the front's pixels to the presenter with their damage, waiting for the display's blank
    // under DDFLIP_WAIT.
    void ShowFront(DWORD flags);
    // Copies `sourceRect` of `source` to this surface at (destLeft, destTop), leaving out source
    // pixels in `key` (none when null); rectangles are valid.
    void CopyFrom(Surface* source, const RECT& sourceRect, LONG destLeft, LONG destTop, const ColorKeyRange* key,
                  unsigned mirror);
    // Scales `sourceRect` of `source` onto `destRect` of this surface, nearest pixel first;
    // rectangles are valid.
    void StretchFrom(Surface* source, const RECT& sourceRect, const RECT& destRect, const ColorKeyRange* key,
                     unsigned mirror);
    bool Lost() const { return lost_.load(std::memory_order_relaxed); }
    // Locked by Lock or by GetDC.
    bool Busy() const { return dc_ != nullptr || lockedAt_ != nullptr; }
    HRESULT LockNow(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event);
    HRESULT UnlockNow(LPVOID surfaceData);
    HRESULT GetAttachedSurfaceNow(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached);
    HRESULT GetDCNow(HDC* dc);
    HRESULT GetPixelFormatNow(LPDDPIXELFORMAT format);
    HRESULT GetSurfaceDescNow(LPDDSURFACEDESC desc);
    HRESULT ReleaseDCNow(HDC dc);
    HRESULT RestoreNow();
    HRESULT SetColorKeyNow(DWORD flags, LPDDCOLORKEY key);
    void FillWithLostPattern();
    DestPixels DestOf(const RECT& rect);
    SourcePixels SourceOf(const RECT& rect) const;

    std::shared_ptr<Device> device_;
    Role role_;
    int width_;
    int height_;
    DWORD caps_;
    bool videoMemory_;
    host::FrameMemory pixels_;  // swapped between primary and back buffer by Flip
    // Flip chain only: what was written into pixels_ since they were last shown (all of them at
    // first), recorded while the host uses damage; swapped with them.
    host::Damage written_;
    FlipDamage flipDamage_;  // the frames the chain shows, primary only
    std::atomic<ULONG> references_;
    Surface* backBuffer_ = nullptr;  // owned, primary of a flip chain only
    Surface* primary_ = nullptr;     // the owner, back buffer only
    std::atomic<bool> lost_{false};  // set when exclusive mode is lost, or by a test thread
    HDC dc_ = nullptr;               // non-null while locked by GetDC
    void* lockedAt_ = nullptr;       // non-null while locked by Lock: the pointer it handed out
    bool hasSourceKey_ = false;
    DDCOLORKEY sourceKey_{};
    ColorKeyRange sourceKeyRange_{};
};

}  // namespace platform::ddraw
