// Shows frames in SDL's window on an X11 display the way a page flip does, through the X server's
// Present extension: each frame is written (copied, widened or scaled) into one of three
// shared-memory pixmaps and handed to PresentPixmap.
// - With vsync the frame is aimed at the vertical blank after the one that showed the frame
//   before, and Show returns once it is queued. The next Show writes its frame, then sleeps on the
//   connection until the server has said that the frame before was shown (PresentCompleteNotify);
//   the blank (MSC) and time (UST) it reports go to present/frame_pacing.h.
// - Without vsync frames are presented at once (PresentOptionAsync), as fast as the server takes
//   them.
// A pixmap is written again only after the server has said it is idle (PresentIdleNotify) about
// that very presentation (matched by its serial). The server is given about six blanks to say
// either: a frame it says nothing of by then counts as missed, and a pixmap it holds longer is
// replaced by a fresh one, never written again. Pixmaps are freed without waiting (the server
// keeps one alive while it still reads it). A server that sends no Present events at all (several
// frames in a row and seconds on end without a word) is left: Show says so, and the caller shows
// frames another way.
//
// It keeps an XCB connection of its own to the display, so its events never reach SDL's event
// loop (nor SDL's events this one); when that connection breaks, the run ends as the display
// going away (common/run_end.h). The window's background is set to black: the server clears the
// letterbox bars itself when they are exposed or the size changes.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "host/host.h"
#include "host/sdl/window_pixels.h"
#include "host/sdl/window_readback.h"

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

    // Queues frame `number` for the window, scaled and letterboxed to windowWidth x windowHeight.
    Outcome Show(const FrameView& frame, std::uint64_t number, int windowWidth, int windowHeight);

    // Returns once the frames queued have been shown (or the server has not answered in time).
    void FinishShowing();

    // Why Show found the server silent, for the line that says how frames are shown from then on.
    std::string WhySilent() const;

    // The window's depth in bits, for the line that says how frames are shown.
    int Depth() const;

private:
    struct Connection;
    XPresentPresenter(std::unique_ptr<Connection> connection, bool vsync);
    bool Resize(const FrameView& frame, int windowWidth, int windowHeight);
    // Hands frame `number` as the window shows it to the screen check, when it asks and the
    // window is known to hold that frame.
    void ReadBack(std::uint64_t number);

    std::unique_ptr<Connection> x_;
    bool vsync_;
    FrameWriter writer_;
    PictureFit fit_;
    bool failureReported_ = false;
    WindowReadback readback_;
    std::uint64_t lastPresented_ = 0;
    std::uint64_t readFrame_ = 0;  // the frame read back last
    int windowWidth_ = 0;
    int windowHeight_ = 0;
};

}  // namespace platform::host
