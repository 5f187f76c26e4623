// The DirectDraw object: cooperative level, display mode, capabilities, and the factory of
// surfaces and palettes. Its state lives in a Device shared with the surfaces it made.
#pragma once

#include <atomic>
#include <memory>

#include "ddraw.h"
#include "ddraw/device.h"

namespace platform::ddraw {

class DirectDraw final : public IDirectDraw {
public:
    explicit DirectDraw(std::shared_ptr<Device> device);
    DirectDraw(const DirectDraw&) = delete;
    DirectDraw& operator=(const DirectDraw&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;

private:
    ~DirectDraw();

    HRESULT CreatePaletteNow(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette, IUnknown* outer);
    HRESULT CreateSurfaceNow(const DDSURFACEDESC* desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer);
    HRESULT GetCapsNow(LPDDCAPS driverCaps, LPDDCAPS helCaps);
    HRESULT SetCooperativeLevelNow(HWND window, DWORD flags);

    std::shared_ptr<Device> device_;
    std::atomic<ULONG> references_{1};
};

}  // namespace platform::ddraw
