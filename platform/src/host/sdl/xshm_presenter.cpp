#include "host/sdl/xshm_presenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <span>

#include "common/run_end.h"
#include "host/sdl/presenter_seam.h"
#include "host/sdl/window_visibility.h"
#include "host/sdl/xcb_reply.h"
#include "host/sdl/xcb_window.h"

namespace platform::host {
namespace {

// How long to wait for the server to say it finished reading an image before asking whether it
// answers at all: only a server that failed the request (and so never completes it) takes this
// long.
constexpr std::chrono::milliseconds kReadTimeout{1000};

// Two images: the server reads one while the next frame is written into the other.
constexpr int kImages = 2;

// Past this many rectangles to put, one put of their bounding box costs the server less.
constexpr std::size_t kMostPuts = 16;

}  // namespace

struct XShmPresenter::Connection {
    // An image the server reads a frame from: a shared segment, width x height in the window's layout.
    struct Image {
        xcb_shm_seg_t segment = 0;
        void* memory = nullptr;  // ours, or the frame's own for an image in place
        int shmid = -1;          // in place: the frame's segment
        int width = 0;
        int height = 0;
        std::uint64_t holds = 0;     // ours: the frame written into it last; 0: none, its pixels unknown
        bool serverReading = false;  // put, and its completion event not yet seen
        bool wholePut = false;       // that put draws the whole picture
    };

    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t gc = 0;
    std::uint8_t completionEvent = 0;
    WindowLayout layout;
    Image images[kImages];
    // Frames put where they lie, in the flip chain's two buffers (host/frame_memory.h): attached
    // as they come, never written here.
    Image inPlace[2];
    int nextInPlace = 0;
    bool inPlaceRefused = false;  // the server could not attach them
    WindowReader reader;          // the window read back, for the screen check
    bool unobscured = false;      // the window is mapped with nothing over it
    // The window holds windowFrame, the frame put last, only while nothing cleared it since a put
    // of the whole picture was carried out.
    std::uint64_t windowFrame = 0;
    bool windowValid = false;

    ~Connection() {
        if (c == nullptr) return;
        if (!xcb_connection_has_error(c)) {
            DestroyImages();
            for (Image& slot : inPlace) ForgetInPlace(slot);
            if (gc != 0) xcb_free_gc(c, gc);
        }
        reader.Release(c);
        xcb_disconnect(c);
    }

    // Reads the server's completion events until image has been read. When none comes in time,
    // a server that still answers failed the put (and never completes it); one that does not
    // ends the run (xcb_reply.h).
    void WaitUntilRead(Image& image) {
        const auto deadline = std::chrono::steady_clock::now() + kReadTimeout;
        while (image.serverReading) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                Handle(*event);
                std::free(event);
                continue;
            }
            if (xcb_connection_has_error(c)) DisplayLost();
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd socket{xcb_get_file_descriptor(c), POLLIN, 0};
            if (left.count() > 0 && poll(&socket, 1, static_cast<int>(left.count()) + 1) > 0) continue;
            Sync(c);
            HandleEvents();
            image.serverReading = false;
        }
    }

    // Takes the events the connection has read.
    void HandleEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            Handle(*event);
            std::free(event);
        }
    }

    // Takes the events already read from the socket, without reading it.
    void HandleQueuedEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_queued_event(c)) {
            Handle(*event);
            std::free(event);
        }
    }

    void Handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7F;
        // What the window shows is lost where it is exposed: the server clears it to the background.
        if (type == XCB_EXPOSE) windowValid = false;
        if (type == XCB_VISIBILITY_NOTIFY) {
            unobscured =
                reinterpret_cast<const xcb_visibility_notify_event_t&>(event).state == XCB_VISIBILITY_UNOBSCURED;
        }
        if (type != completionEvent) return;
        const auto& done = reinterpret_cast<const xcb_shm_completion_event_t&>(event);
        for (Image* set : {images, inPlace}) {
            for (int i = 0; i < 2; ++i) {
                if (set[i].segment != done.shmseg || !set[i].serverReading) continue;
                set[i].serverReading = false;
                if (set[i].wholePut) windowValid = true;
            }
        }
    }

    bool MakeImages(int width, int height) {
        DestroyImages();
        const auto bytes = static_cast<std::size_t>(layout.PitchOf(width)) * static_cast<std::size_t>(height);
        bool made = true;
        for (Image& slot : images) {
            made = made && AttachNewSegment(c, bytes, true, slot.segment, slot.memory);
            slot.width = width;
            slot.height = height;
        }
        if (!made) DestroyImages();
        return made;
    }

    // Detaches the images once the server has read them, then unmaps them (errors for what was
    // never attached are expected and ignored).
    void DestroyImages() {
        for (Image& slot : images) {
            if (slot.segment != 0) {
                WaitUntilRead(slot);
                xcb_shm_detach(c, slot.segment);
            }
            if (slot.memory != nullptr) shmdt(slot.memory);
            slot = Image{};
        }
        xcb_flush(c);
    }

    // The image of frame's own memory when the window shows exactly its pixels, attached on
    // first use; null when the frame must be written into an image of ours instead.
    Image* InPlaceImage(const FrameView& frame, const PictureRect& picture) {
        const WindowPixelFormat& format = layout.format;
        const bool own565 = format.greenMask == 0x07E0 && frame.format == PixelFormat::Rgb565;
        const bool own555 = format.greenMask == 0x03E0 && frame.format == PixelFormat::Rgb555;
        if (frame.sharedMemoryId < 0 || inPlaceRefused || format.bytesPerPixel != 2 || !(own565 || own555) ||
            picture.width != frame.width || picture.height != frame.height) {
            return nullptr;
        }
        void* pixels = const_cast<std::uint16_t*>(frame.pixels);
        for (Image& slot : inPlace) {
            if (slot.segment != 0 && slot.shmid == frame.sharedMemoryId && slot.memory == pixels) return &slot;
        }
        Image& slot = inPlace[nextInPlace];
        nextInPlace ^= 1;
        ForgetInPlace(slot);
        inPlaceRefused = layout.PitchOf(frame.width) != frame.pitchPixels * 2;
        if (inPlaceRefused) return nullptr;
        slot.segment = xcb_generate_id(c);
        inPlaceRefused = !Succeeded(
            c, xcb_shm_attach_checked(c, slot.segment, static_cast<std::uint32_t>(frame.sharedMemoryId), true));
        if (inPlaceRefused) {
            slot = Image{};
            return nullptr;
        }
        slot.memory = pixels;
        slot.shmid = frame.sharedMemoryId;
        slot.width = frame.width;
        slot.height = frame.height;
        return &slot;
    }

    // Detaches an in-place image once the server has read it (the memory is the surface's).
    void ForgetInPlace(Image& slot) {
        if (slot.segment == 0) return;
        WaitUntilRead(slot);
        xcb_shm_detach(c, slot.segment);
        slot = Image{};
    }

    // Asks the server to draw the rectangles of `region` (of the picture, all of it when whole) from
    // image, put at picture, and to say when it has read them; nothing when nothing changed.
    void Put(Image& image, const PictureRect& picture, const Damage& region, bool whole) {
        if (!whole && region.Empty()) return;
        const auto put = [&](const pixman_box32_t& box, bool last) {
            xcb_shm_put_image(c, window, gc, static_cast<std::uint16_t>(image.width),
                              static_cast<std::uint16_t>(image.height), static_cast<std::uint16_t>(box.x1),
                              static_cast<std::uint16_t>(box.y1), static_cast<std::uint16_t>(box.x2 - box.x1),
                              static_cast<std::uint16_t>(box.y2 - box.y1), static_cast<std::int16_t>(picture.x + box.x1),
                              static_cast<std::int16_t>(picture.y + box.y1), layout.depth, XCB_IMAGE_FORMAT_Z_PIXMAP,
                              last ? 1 : 0, image.segment, 0);
        };
        const std::span<const pixman_box32_t> boxes = region.Boxes();
        if (whole) {
            put(pixman_box32_t{0, 0, picture.width, picture.height}, true);
        } else if (boxes.size() > kMostPuts) {
            put(region.Extents(), true);
        } else {
            for (std::size_t i = 0; i < boxes.size(); ++i) put(boxes[i], i + 1 == boxes.size());
        }
        image.serverReading = true;
        image.wholePut = whole;
        xcb_flush(c);
    }
};

std::unique_ptr<XShmPresenter> XShmPresenter::Open(SDL_Window* window, std::string& whyNot) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        whyNot = "the window is not on an X11 display";
        return nullptr;
    }
    auto x = std::make_unique<Connection>();
    x->c = xcb_connect(XDisplayString(info.info.x11.display), nullptr);
    if (xcb_connection_has_error(x->c)) {
        whyNot = "a second connection to the X display cannot be opened";
        return nullptr;
    }
    xcb_connection_t* c = x->c;
    x->window = static_cast<xcb_window_t>(info.info.x11.window);
    const xcb_query_extension_reply_t* shm = AskExtension(c, &xcb_shm_id);
    if (shm == nullptr || !shm->present) {
        whyNot = "the X display has no MIT-SHM extension";
        return nullptr;
    }
    if (!ReadWindowLayout(c, x->window, x->layout, whyNot)) return nullptr;
    // A small pair of images proves the server can attach our memory (a remote one cannot).
    if (!x->MakeImages(8, 8)) {
        whyNot = "the X server cannot attach this process's shared memory";
        return nullptr;
    }
    x->completionEvent = static_cast<std::uint8_t>(shm->first_event + XCB_SHM_COMPLETION);
    x->gc = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, x->gc, x->window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    const std::uint32_t black = BarPixel(x->layout.format);
    xcb_change_window_attributes(c, x->window, XCB_CW_BACK_PIXEL, &black);
    // For the screen check: whether the window is covered, and when its contents are lost. The
    // events tell only of changes: a window shown already (this path taking over from Present) is
    // asked about, and an event read meanwhile, of a change since the events were selected, says
    // it better.
    const std::uint32_t watched = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(c, x->window, XCB_CW_EVENT_MASK, &watched);
    x->unobscured = AskUnobscured(c, x->window);
    x->HandleEvents();
    return std::unique_ptr<XShmPresenter>(new XShmPresenter(std::move(x)));
}

XShmPresenter::XShmPresenter(std::unique_ptr<Connection> connection)
    : x_(std::move(connection)), writer_(x_->layout.format), damage_(kImages) {}

XShmPresenter::~XShmPresenter() = default;

int XShmPresenter::Depth() const { return x_->layout.depth; }

bool XShmPresenter::Resize(const FrameView& frame, int windowWidth, int windowHeight) {
    fit_.Refit(frame.width, frame.height, windowWidth, windowHeight);
    if (!x_->MakeImages(fit_.rect.width, fit_.rect.height)) return false;
    fit_.MarkReady();
    // The bars around a smaller picture: cleared once here, and by the server on exposure.
    xcb_clear_area(x_->c, 0, x_->window, 0, 0, 0, 0);
    x_->windowValid = false;
    return true;
}

void XShmPresenter::Show(const FrameView& frame, std::uint64_t number, int windowWidth, int windowHeight,
                         Host::Written& written) {
    damage_.Push(number, frame.damage, frame.width, frame.height);
    if (!fit_.Holds(frame.width, frame.height, windowWidth, windowHeight) &&
        !Resize(frame, windowWidth, windowHeight)) {
        if (!failureReported_) {
            std::fprintf(stderr, "vornhollow: no shared-memory image of %dx%d for the window\n", fit_.rect.width,
                         fit_.rect.height);
        }
        failureReported_ = true;
        return;
    }
    const PictureRect& rect = fit_.rect;
    const auto picture = static_cast<std::uint64_t>(rect.width) * static_cast<std::uint64_t>(rect.height);
    Connection::Image* put = x_->InPlaceImage(frame, rect);
    if (put == nullptr) {
        put = &x_->images[next_];
        next_ = (next_ + 1) % kImages;
        x_->WaitUntilRead(*put);
        // The image, holding an earlier frame or none, is brought to this one.
        damage_.Since(put->holds, number, frameDamage_);
        MapToPicture(frameDamage_, frame.width, frame.height, rect.width, rect.height, pictureDamage_);
        const ImageMemory image{put->memory, rect.width, rect.height, x_->layout.PitchOf(rect.width)};
        if (WritesFrame(number)) {
            writer_.Write(frame, image, pictureDamage_);
            SpoilPicture(image, x_->layout.format, pictureDamage_);
        }
        put->holds = number;
        written = {pictureDamage_.Area(), picture};
    }
    // What changed since the frame the window holds, the whole picture when that is not known.
    x_->HandleEvents();
    const std::uint64_t held = x_->windowValid ? x_->windowFrame : 0;
    damage_.Since(held, number, frameDamage_);
    MapToPicture(frameDamage_, frame.width, frame.height, rect.width, rect.height, pictureDamage_);
    x_->Put(*put, rect, pictureDamage_, held == 0);
    x_->windowFrame = number;
    if (put->memory == frame.pixels) written = {held == 0 ? picture : pictureDamage_.Area(), picture};
    // The program draws into the flip chain's other buffer next: the server must be done with it.
    for (Connection::Image& other : x_->inPlace) {
        if (&other != put) x_->WaitUntilRead(other);
    }
    ReadBack(number, windowWidth, windowHeight);
}

// Requests are carried out in order: a read now sees the frame just put.
void XShmPresenter::ReadBack(std::uint64_t number, int windowWidth, int windowHeight) {
    if (!readback_.Due()) return;
    x_->HandleEvents();
    std::string why;
    if (!x_->unobscured) {
        readback_.Fail(number, "the window is covered or not mapped");
    } else if (!x_->reader.Read(x_->c, x_->window, x_->layout, windowWidth, windowHeight, why)) {
        readback_.Fail(number, why.c_str());
    } else if (x_->HandleQueuedEvents(), !x_->windowValid) {
        // An event that came before the pixels did: the window was cleared since the last whole put.
        readback_.Fail(number, "the window was cleared while it was read");
    } else {
        readback_.Deliver(number, x_->reader.Pixels(), windowWidth, windowHeight, x_->layout.PitchOf(windowWidth),
                          x_->layout.format);
    }
}

}  // namespace platform::host
