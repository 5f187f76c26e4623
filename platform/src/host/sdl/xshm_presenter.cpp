#include "host/sdl/xshm_presenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <chrono>
#include <cstdio>

#include "host/sdl/presenter_seam.h"

namespace platform::host {
namespace {

// How long to wait for the server to finish reading an image before writing it anyway: only a
// server that failed the request (and so never completes it) takes this long.
constexpr std::chrono::milliseconds kReadTimeout{1000};

// Errors of the requests made while shared memory is attached are caught here rather than
// ending the process: a server that cannot attach our memory is a reason to use another path.
bool gTrappedError = false;
int TrapError(Display*, XErrorEvent*) {
    gTrappedError = true;
    return 0;
}

// Runs requests with X errors trapped, then waits for the server to have handled them: the one
// round trip of this path, made only when images are made. True when none failed.
template <class Requests>
bool WithErrorsTrapped(Display* display, Requests requests) {
    XSync(display, False);
    gTrappedError = false;
    const auto previous = XSetErrorHandler(TrapError);
    requests();
    XSync(display, False);
    XSetErrorHandler(previous);
    return !gTrappedError;
}

int BitsPerPixelOfDepth(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats != nullptr) XFree(formats);
    return bits;
}

bool HostIsLittleEndian() {
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 1;
}

}  // namespace

struct XShmPresenter::Connection {
    struct Image {
        Image() { segment.shmid = -1; }  // no segment yet (0 would name someone else's)
        XShmSegmentInfo segment{};
        XImage* image = nullptr;
        bool serverReading = false;  // put, and its completion event not yet seen
    };

    Display* display = nullptr;
    Window window = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    int completionEvent = 0;
    WindowPixelFormat format;
    Image images[2];
    // Frames put where they lie, in the flip chain's two buffers (host/frame_memory.h): attached
    // as they come, never written here.
    Image inPlace[2];
    int nextInPlace = 0;
    bool inPlaceRefused = false;  // the server could not attach them
    Image read;                   // the window read back into, for the screen check
    bool unobscured = false;      // the window is mapped with nothing over it

    ~Connection() {
        if (display == nullptr) return;
        DestroyImages();
        for (Image& slot : inPlace) ForgetInPlace(slot);
        ForgetRead();
        XFlush(display);
        if (gc != nullptr) XFreeGC(display, gc);
        XCloseDisplay(display);
    }

    // Reads the server's completion events until image has been read (or the wait times out).
    void WaitUntilRead(Image& image) {
        const auto deadline = std::chrono::steady_clock::now() + kReadTimeout;
        while (image.serverReading) {
            if (XPending(display) == 0) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                pollfd socket{ConnectionNumber(display), POLLIN, 0};
                if (left.count() <= 0 || poll(&socket, 1, static_cast<int>(left.count()) + 1) == 0) {
                    image.serverReading = false;  // no answer is coming: the request failed
                }
                continue;
            }
            Handle();
        }
    }

    // Takes the next event from the connection.
    void Handle() {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == VisibilityNotify) unobscured = event.xvisibility.state == VisibilityUnobscured;
        if (event.type != completionEvent) return;
        const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
        for (Image* set : {images, inPlace}) {
            for (int i = 0; i < 2; ++i) {
                if (set[i].segment.shmseg == done.shmseg) set[i].serverReading = false;
            }
        }
    }

    // Makes slot an image of width x height whose memory is a fresh shared segment, not yet
    // attached; false when it cannot.
    bool NewSharedImage(Image& slot, int width, int height) {
        slot.image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &slot.segment,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (slot.image == nullptr) return false;
        const auto bytes = static_cast<std::size_t>(slot.image->bytes_per_line) * static_cast<std::size_t>(height);
        slot.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* memory = slot.segment.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(slot.segment.shmid, nullptr, 0);
        if (memory == reinterpret_cast<void*>(-1)) {
            if (slot.segment.shmid >= 0) shmctl(slot.segment.shmid, IPC_RMID, nullptr);
            slot.segment.shmid = -1;
            return false;
        }
        slot.segment.shmaddr = slot.image->data = static_cast<char*>(memory);
        return true;
    }

    // Reads the window, width x height, into read; false and why when it cannot.
    bool ReadWindow(int width, int height, std::string& why) {
        while (XPending(display) > 0) Handle();
        if (!unobscured) {
            why = "the window is covered or not mapped";
            return false;
        }
        if (read.image == nullptr || read.image->width != width || read.image->height != height) {
            ForgetRead();
            bool made = NewSharedImage(read, width, height);
            if (made) made = WithErrorsTrapped(display, [&] { XShmAttach(display, &read.segment); });
            if (read.segment.shmid >= 0) shmctl(read.segment.shmid, IPC_RMID, nullptr);
            if (!made) {
                ForgetRead();
                why = "no shared memory to read the window into";
                return false;
            }
        }
        XWindowAttributes attributes{};
        const bool done = WithErrorsTrapped(display, [&] {
            XGetWindowAttributes(display, window, &attributes);
            XShmGetImage(display, window, read.image, 0, 0, AllPlanes);
        });
        if (!done || attributes.width != width || attributes.height != height) {
            why = done ? "the window changed size" : "the X server refused to read the window (GetImage)";
            return false;
        }
        return true;
    }

    void ForgetRead() {
        if (read.image == nullptr) return;
        if (read.segment.shmaddr != nullptr) {
            WithErrorsTrapped(display, [&] { XShmDetach(display, &read.segment); });
            shmdt(read.segment.shmaddr);
        }
        XDestroyImage(read.image);
        read = Image{};
    }

    bool MakeImages(int width, int height) {
        DestroyImages();
        bool made = true;
        for (Image& slot : images) {
            made = NewSharedImage(slot, width, height);
            if (!made) break;
            slot.segment.readOnly = True;  // the server only reads our frames
        }
        if (made) {
            made = WithErrorsTrapped(display, [&] {
                for (Image& slot : images) XShmAttach(display, &slot.segment);
            });
        }
        // Marked for removal once attached: the segments go with the last detach, even when this
        // process ends without detaching.
        for (Image& slot : images) {
            if (slot.segment.shmid >= 0) shmctl(slot.segment.shmid, IPC_RMID, nullptr);
        }
        if (!made) {
            // Whatever did attach is detached again; errors for what did not are expected.
            WithErrorsTrapped(display, [&] {
                for (Image& slot : images) {
                    if (slot.image != nullptr) XShmDetach(display, &slot.segment);
                }
            });
            FreeImages();
        }
        return made;
    }

    // Detaches the images once the server has read them, then frees them.
    void DestroyImages() {
        for (Image& slot : images) {
            if (slot.image == nullptr) continue;
            WaitUntilRead(slot);
            XShmDetach(display, &slot.segment);
        }
        XFlush(display);
        FreeImages();
    }

    // The image of frame's own memory when the window shows exactly its pixels, attached on
    // first use; null when the frame must be written into an image of ours instead.
    Image* InPlaceImage(const FrameView& frame, const PictureRect& picture) {
        const bool own565 = format.greenMask == 0x07E0 && frame.format == PixelFormat::Rgb565;
        const bool own555 = format.greenMask == 0x03E0 && frame.format == PixelFormat::Rgb555;
        if (frame.sharedMemoryId < 0 || inPlaceRefused || format.bytesPerPixel != 2 || !(own565 || own555) ||
            picture.width != frame.width || picture.height != frame.height) {
            return nullptr;
        }
        char* pixels = reinterpret_cast<char*>(const_cast<std::uint16_t*>(frame.pixels));
        for (Image& slot : inPlace) {
            if (slot.image != nullptr && slot.segment.shmid == frame.sharedMemoryId && slot.segment.shmaddr == pixels) {
                return &slot;
            }
        }
        Image& slot = inPlace[nextInPlace];
        nextInPlace ^= 1;
        ForgetInPlace(slot);
        slot.image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, pixels, &slot.segment,
                                     static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height));
        slot.segment.shmid = frame.sharedMemoryId;
        slot.segment.shmaddr = pixels;
        slot.segment.readOnly = True;
        inPlaceRefused = slot.image == nullptr || slot.image->bytes_per_line != frame.pitchPixels * 2 ||
                         !WithErrorsTrapped(display, [&] { XShmAttach(display, &slot.segment); });
        if (!inPlaceRefused) return &slot;
        if (slot.image != nullptr) XDestroyImage(slot.image);
        slot = Image{};
        return nullptr;
    }

    // Detaches an in-place image once the server has read it (the memory is the surface's).
    void ForgetInPlace(Image& slot) {
        if (slot.image == nullptr) return;
        WaitUntilRead(slot);
        XShmDetach(display, &slot.segment);
        XDestroyImage(slot.image);
        slot = Image{};
    }

    void FreeImages() {
        for (Image& slot : images) {
            if (slot.image != nullptr) XDestroyImage(slot.image);  // the record only: the memory is shared
            if (slot.segment.shmaddr != nullptr) shmdt(slot.segment.shmaddr);
            slot = Image{};
        }
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
    x->display = XOpenDisplay(XDisplayString(info.info.x11.display));
    if (x->display == nullptr) {
        whyNot = "a second connection to the X display cannot be opened";
        return nullptr;
    }
    x->window = info.info.x11.window;
    if (!XShmQueryExtension(x->display)) {
        whyNot = "the X display has no MIT-SHM extension";
        return nullptr;
    }
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(x->display, x->window, &attributes) || attributes.visual == nullptr) {
        whyNot = "the window's attributes cannot be read";
        return nullptr;
    }
    x->visual = attributes.visual;
    x->depth = attributes.depth;
    const int bitsPerPixel = BitsPerPixelOfDepth(x->display, x->depth);
    x->format.bytesPerPixel = bitsPerPixel / 8;
    x->format.redMask = static_cast<std::uint32_t>(x->visual->red_mask);
    x->format.greenMask = static_cast<std::uint32_t>(x->visual->green_mask);
    x->format.blueMask = static_cast<std::uint32_t>(x->visual->blue_mask);
    // A 32-bit-deep window has an alpha channel: frames are opaque.
    if (x->depth == 32) x->format.fixedBits = ~(x->format.redMask | x->format.greenMask | x->format.blueMask);
    const bool nativeOrder = (ImageByteOrder(x->display) == LSBFirst) == HostIsLittleEndian();
    if (x->visual->c_class != TrueColor || bitsPerPixel % 8 != 0 || !nativeOrder || !CanWrite(x->format)) {
        whyNot = "the window's pixel layout (depth " + std::to_string(x->depth) + ", " + std::to_string(bitsPerPixel) +
                 " bits per pixel) is not one written here";
        return nullptr;
    }
    // A small pair of images proves the server can attach our memory (a remote one cannot).
    if (!x->MakeImages(8, 8)) {
        whyNot = "the X server cannot attach this process's shared memory";
        return nullptr;
    }
    x->completionEvent = XShmGetEventBase(x->display) + ShmCompletion;
    XGCValues values{};
    values.graphics_exposures = False;
    x->gc = XCreateGC(x->display, x->window, GCGraphicsExposures, &values);
    XSetWindowBackground(x->display, x->window, BarPixel(x->format));  // black
    // For the screen check: whether the window is covered.
    XSelectInput(x->display, x->window, VisibilityChangeMask);
    XFlush(x->display);
    return std::unique_ptr<XShmPresenter>(new XShmPresenter(std::move(x)));
}

XShmPresenter::XShmPresenter(std::unique_ptr<Connection> connection) : x_(std::move(connection)), writer_(x_->format) {}

XShmPresenter::~XShmPresenter() = default;

int XShmPresenter::Depth() const { return x_->depth; }

bool XShmPresenter::Resize(const FrameView& frame, int windowWidth, int windowHeight) {
    fit_.Refit(frame.width, frame.height, windowWidth, windowHeight);
    if (!x_->MakeImages(fit_.rect.width, fit_.rect.height)) return false;
    fit_.MarkReady();
    // The bars around a smaller picture: cleared once here, and by the server on exposure.
    XClearWindow(x_->display, x_->window);
    return true;
}

bool XShmPresenter::Show(const FrameView& frame, std::uint64_t number, int windowWidth, int windowHeight) {
    if (!fit_.Holds(frame.width, frame.height, windowWidth, windowHeight) &&
        !Resize(frame, windowWidth, windowHeight)) {
        if (!failureReported_) {
            std::fprintf(stderr, "vornhollow: no shared-memory image of %dx%d for the window\n", fit_.rect.width,
                         fit_.rect.height);
        }
        failureReported_ = true;
        return false;
    }
    Connection::Image* put = x_->InPlaceImage(frame, fit_.rect);
    if (put == nullptr) {
        put = &x_->images[next_];
        next_ ^= 1;
        x_->WaitUntilRead(*put);
        const ImageMemory image{put->image->data, fit_.rect.width, fit_.rect.height, put->image->bytes_per_line};
        if (WritesFrame(number)) {
            writer_.Write(frame, image);
            SpoilPicture(image, x_->format);
        }
    }
    XShmPutImage(x_->display, x_->window, x_->gc, put->image, 0, 0, fit_.rect.x, fit_.rect.y,
                 static_cast<unsigned>(fit_.rect.width), static_cast<unsigned>(fit_.rect.height), True);
    put->serverReading = true;
    XFlush(x_->display);
    // The program draws into the flip chain's other buffer next: the server must be done with it.
    for (Connection::Image& other : x_->inPlace) {
        if (&other != put) x_->WaitUntilRead(other);
    }
    // Requests are carried out in order: a read now sees the frame just put.
    if (readback_.Due()) {
        std::string why;
        if (x_->ReadWindow(windowWidth, windowHeight, why)) {
            readback_.Deliver(number, x_->read.image->data, windowWidth, windowHeight, x_->read.image->bytes_per_line,
                              x_->format);
        } else {
            readback_.Fail(number, why.c_str());
        }
    }
    return true;
}

}  // namespace platform::host
