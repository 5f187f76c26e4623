// Shows frames in SDL's window on an X11 display through MIT-SHM images: the frame is written
// (copied, widened or scaled) straight into memory the X server reads, and one ShmPutImage
// request draws it. Two images take turns, so writing the next frame overlaps the server's copy
// of the last one; an image is written again only after the server has said it finished
// reading it. No request waits for a reply while frames are shown.
//
// When the window has the frame's own pixels and size, and the frame lies in shared memory (the
// flip chain's buffers, host/frame_memory.h), the server reads it where it lies, with nothing
// written here; Show then returns once the server is done with the chain's other buffer, which
// the program draws into next.
//
// Only what changed is written and put: an image holding an earlier frame gets the frames' damage
// since (damage_ring.h), and the put draws, one request per rectangle (or their bounding box when
// there are many), what changed since the frame the window holds; a frame that changed nothing is
// not put at all. A window that holds no known frame (new, resized, exposed since) gets the whole
// picture.
//
// It keeps an XCB connection of its own to the display, so the completion events it waits for
// never reach SDL's event loop (nor SDL's events this one); when that connection breaks, the run
// ends as the display going away (common/run_end.h). The window's background is set to black:
// the server clears the letterbox bars itself when they are exposed or the size changes.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "host/damage.h"
#include "host/host.h"
#include "host/sdl/damage_ring.h"
#include "host/sdl/window_pixels.h"
#include "host/sdl/window_readback.h"

namespace platform::host {

class XShmPresenter {
public:
    // A presenter for window, or null and the reason when this path cannot serve it: SDL is not
    // on X11, the display has no MIT-SHM or cannot share memory with us (a remote display), or
    // the window's pixel layout is one FrameWriter does not write.
    static std::unique_ptr<XShmPresenter> Open(SDL_Window* window, std::string& whyNot);
    ~XShmPresenter();
    XShmPresenter(const XShmPresenter&) = delete;
    XShmPresenter& operator=(const XShmPresenter&) = delete;

    // Draws frame `number` into the window, scaled and letterboxed to windowWidth x windowHeight;
    // `written` says how much of the picture was written for it. Returns once the request is sent,
    // without waiting for the server to carry it out, unless the screen check asks for the window
    // read back (then it follows the put). Where the images cannot be made nothing is shown and
    // nothing written (said on stderr once).
    void Show(const FrameView& frame, std::uint64_t number, int windowWidth, int windowHeight, Host::Written& written);

    // The window's depth in bits, for the line that says how frames are shown.
    int Depth() const;

private:
    struct Connection;
    explicit XShmPresenter(std::unique_ptr<Connection> connection);
    bool Resize(const FrameView& frame, int windowWidth, int windowHeight);

    // Hands frame `number` as the window shows it to the screen check, when it asks.
    void ReadBack(std::uint64_t number, int windowWidth, int windowHeight);

    std::unique_ptr<Connection> x_;
    FrameWriter writer_;
    PictureFit fit_;
    int next_ = 0;  // the image the next frame goes into
    bool failureReported_ = false;
    WindowReadback readback_;
    DamageRing damage_;     // as long as the pool of images
    Damage frameDamage_;    // of the frame, since an earlier one
    Damage pictureDamage_;  // the same in the picture
};

}  // namespace platform::host
