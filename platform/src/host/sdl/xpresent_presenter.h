// Shows frames in SDL's window on an X11 display the way a page flip does, through the X server's
// Present extension: each frame is written (copied, widened or scaled) into one of three
// shared-memory pixmaps and handed to PresentPixmap.
// - With vsync the frame is aimed at the vertical blank after the one that showed the frame
//   before, and Show returns once it is queued. The next Show writes its frame, then sleeps on the
//   connection until the server has said that the frame before was shown (PresentCompleteNotify);
//   the blank (MSC) and time (UST) it reports go to present/frame_pacing.h.
// - Without vsync frames are presented at once (PresentOptionAsync), as fast as the server takes
//   them.
// Only what changed is written and sent: a pixmap holding an earlier frame gets the frames' damage
// since (xpresent_pixmaps.h), and the server is told, as the update region (an XFixes region,
// where the server has XFixes), what changed since the frame the window holds; a window that holds
// no known frame gets the whole pixmap.
// A pixmap is written again only after the server has said it is idle (PresentIdleNotify) about
// that very presentation (matched by its serial); the server's word and the waits for it are
// xpresent_events.h's. A server that sends no Present events at all (several frames in a row and
// seconds on end without a word) is left: Show says so, and the caller shows frames another way.
// The window's background is set to black: the server clears the letterbox bars itself when they
// are exposed or the size changes.
#pragma once

#include <SDL.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <memory>
#include <string>

#include "host/damage.h"
#include "host/host.h"
#include "host/sdl/window_pixels.h"
#include "host/sdl/xcb_window.h"
#include "host/sdl/xpresent_events.h"
#include "host/sdl/xpresent_pixmaps.h"
#include "host/sdl/xpresent_readback.h"

namespace platform::host {

class XPresentPresenter {
public:
    // A presenter for window, or null and the reason when this path cannot serve it: SDL is not
    // on X11, the display lacks Present or MIT-SHM pixmaps, cannot share memory with us (a remote
    // display), or the window's pixel layout is one FrameWriter does not write.
    static std::unique_ptr<XPresentPresenter> Open(SDL_Window* window, bool vsync, std::string& whyNot);
    ~XPresentPresenter();
    XPresentPresenter(const XPresentPresenter&) = delete;
    XPresentPresenter& operator=(const XPresentPresenter&) = delete;

    enum class Outcome {
        Queued,
        Failed,        // no pixmap could be made (said on stderr once)
        ServerSilent,  // not presented: the server sends no word on frames (WhySilent)
    };

    // Queues frame `number` for the window, scaled and letterboxed to windowWidth x windowHeight;
    // `written` says how much of the picture was written for it.
    Outcome Show(const FrameView& frame, std::uint64_t number, int windowWidth, int windowHeight,
                 Host::Written& written);

    // Returns once the frames queued have been shown (or the server has not answered in time).
    void FinishShowing();

    // Why Show found the server silent, for the line that says how frames are shown from then on.
    std::string WhySilent() const;

    // The window's depth in bits, for the line that says how frames are shown.
    int Depth() const { return layout_.depth; }

    // Whether frames carry an update region (only what changed), which needs XFixes regions.
    bool SendsOnlyChanges() const { return region_ != 0; }

private:
    XPresentPresenter(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, bool vsync);
    bool Resize(const FrameView& frame, int windowWidth, int windowHeight);
    // The update region of frame `number`: what changed since the frame the window holds, or None
    // (the whole pixmap) when that is unknown or the server has no XFixes.
    xcb_xfixes_region_t UpdateRegion(const FrameView& frame, std::uint64_t number);

    PixmapPool pool_;
    PresentEvents events_;
    PresentReadback readback_;
    WindowLayout layout_;
    bool vsync_;
    FrameWriter writer_;
    PictureFit fit_;
    xcb_xfixes_region_t region_ = 0;  // for the update region, where the server has XFixes
    bool failureReported_ = false;
    std::uint32_t nextSerial_ = 1;
    std::uint64_t lastPresented_ = 0;
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    Damage frameDamage_;  // of the frame, since an earlier one
    Damage pictureDamage_;  // the same in the picture
};

}  // namespace platform::host
