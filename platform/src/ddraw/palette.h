// A DirectDraw palette: 256 colour entries kept for whoever asks; nothing displays them.
#pragma once

#include <array>
#include <atomic>

#include "ddraw.h"

namespace platform::ddraw {

class Palette final : public IDirectDrawPalette {
public:
    explicit Palette(const PALETTEENTRY* entries);
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    const std::array<PALETTEENTRY, 256>& entries() const { return entries_; }

private:
    ~Palette();

    std::array<PALETTEENTRY, 256> entries_{};
    std::atomic<ULONG> references_{1};
};

}  // namespace platform::ddraw
