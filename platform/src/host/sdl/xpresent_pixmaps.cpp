#include "host/sdl/xpresent_pixmaps.h"

#include <sys/shm.h>

#include "host/sdl/xcb_reply.h"

namespace platform::host {

bool PixmapPool::Make(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, int width, int height) {
    Destroy(c);
    window_ = window;
    depth_ = layout.depth;
    width_ = width;
    height_ = height;
    pitchBytes_ = layout.PitchOf(width);
    bool made = true;
    for (PresentPixmap& p : pixmaps_) made = made && MakeOne(c, p);
    if (!made) Destroy(c);
    return made;
}

bool PixmapPool::MakeOne(xcb_connection_t* c, PresentPixmap& p) {
    const auto bytes = static_cast<std::size_t>(pitchBytes_) * static_cast<std::size_t>(height_);
    bool made = AttachNewSegment(c, bytes, false, p.segment, p.memory);
    if (made) {
        p.id = xcb_generate_id(c);
        made = Succeeded(c, xcb_shm_create_pixmap_checked(c, p.id, window_, static_cast<std::uint16_t>(width_),
                                                          static_cast<std::uint16_t>(height_), depth_, p.segment, 0));
    }
    if (!made) Release(c, p);
    return made;
}

bool PixmapPool::Renew(xcb_connection_t* c, PresentPixmap& p) {
    Release(c, p);
    return MakeOne(c, p);
}

// Errors for what was never made are expected and ignored.
void PixmapPool::Release(xcb_connection_t* c, PresentPixmap& p) {
    if (p.id != 0) xcb_free_pixmap(c, p.id);
    if (p.segment != 0) xcb_shm_detach(c, p.segment);
    if (p.memory != nullptr) shmdt(p.memory);
    p = PresentPixmap{};
}

void PixmapPool::Destroy(xcb_connection_t* c) {
    for (PresentPixmap& p : pixmaps_) Release(c, p);
    xcb_flush(c);
}

PresentPixmap* PixmapPool::Free() {
    PresentPixmap* oldest = nullptr;
    for (PresentPixmap& p : pixmaps_) {
        if (p.id == 0 || p.busy || p.queued) continue;
        if (oldest == nullptr || p.holds < oldest->holds) oldest = &p;
    }
    return oldest;
}

PresentPixmap* PixmapPool::Overdue() {
    for (PresentPixmap& p : pixmaps_)
        if (p.overdue) return &p;
    return nullptr;
}

bool PixmapPool::AnyQueued() const {
    for (const PresentPixmap& p : pixmaps_)
        if (p.queued) return true;
    return false;
}

}  // namespace platform::host
