// The Present path's pool of shared-memory pixmaps, each of the picture's size in the window's
// layout, and each knowing the frame it holds; with the damage of the frames the pool spans
// (damage_ring.h), from which a pixmap that holds frame N-k is brought to frame N by rewriting
// only what changed since. Pixmaps are written in turn, the one written longest ago first, so a
// pixmap's age is the pool's size once the pool is full. What the server says of each
// presentation is the event owner's (xpresent_events.h): it sets the flags kept here.
#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <span>

#include "host/sdl/damage_ring.h"
#include "host/sdl/xcb_window.h"

namespace platform::host {

struct PresentPixmap {
    xcb_pixmap_t id = 0;
    xcb_shm_seg_t segment = 0;
    void* memory = nullptr;
    std::uint64_t holds = 0;  // the frame written into it last; 0: none, its pixels unknown
    // Its last presentation:
    unsigned request = 0;      // sequence number of the PresentPixmap request, to match an error
    std::uint32_t serial = 0;  // its serial, to match its Complete and Idle
    std::uint64_t frame = 0;   // the frame presented
    std::uint64_t targetMsc = 0;
    bool wholeUpdate = false;  // presented with no update region: the window gets all of it
    bool queued = false;       // PresentCompleteNotify not yet seen
    bool busy = false;         // PresentIdleNotify not yet seen
    bool overdue = false;      // still busy after a wait for the server timed out
};

class PixmapPool {
public:
    // Three pixmaps: with a real flip one is on the screen and one queued, and the next frame is
    // written into the third meanwhile.
    static constexpr int kPixmaps = 3;

    PixmapPool() : damage_(kPixmaps) {}

    // Makes every pixmap anew, width x height for window, none holding a frame; false (and none
    // left) when they cannot be made.
    bool Make(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, int width, int height);
    // Frees every pixmap at once: the server keeps one it still shows or has queued, and the
    // memory under it, until it is done with it.
    void Destroy(xcb_connection_t* c);
    // Puts a fresh pixmap in p's place; false (and p empty) when it cannot be made.
    bool Renew(xcb_connection_t* c, PresentPixmap& p);

    // The free pixmap written longest ago, or null.
    PresentPixmap* Free();
    PresentPixmap* Overdue();
    bool AnyQueued() const;
    std::span<PresentPixmap> Pixmaps() { return pixmaps_; }

    // The damage of the frames the pool spans: a pixmap, or the window, that holds one of them is
    // brought to the latest by rewriting what DamageRing::Since gives.
    DamageRing& Damage() { return damage_; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    int PitchBytes() const { return pitchBytes_; }

private:
    bool MakeOne(xcb_connection_t* c, PresentPixmap& p);
    void Release(xcb_connection_t* c, PresentPixmap& p);

    PresentPixmap pixmaps_[kPixmaps];
    DamageRing damage_;
    xcb_window_t window_ = 0;
    std::uint8_t depth_ = 0;
    int width_ = 0;
    int height_ = 0;
    int pitchBytes_ = 0;
};

}  // namespace platform::host
