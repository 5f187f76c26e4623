#include "ddraw/palette.h"

#include <algorithm>

#include "ddraw/control_state.h"

namespace platform::ddraw {

Palette::Palette(const PALETTEENTRY* entries) {
    std::copy_n(entries, entries_.size(), entries_.begin());
    detail::AddLiveObject();
}

Palette::~Palette() { detail::RemoveLiveObject(); }

HRESULT Palette::QueryInterface(REFIID, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Palette::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG Palette::Release() {
    const ULONG count = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

}  // namespace platform::ddraw
