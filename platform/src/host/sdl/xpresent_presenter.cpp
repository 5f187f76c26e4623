#include "host/sdl/xpresent_presenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/shm.h>
#include <xcb/present.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "common/run_end.h"
#include "host/sdl/presenter_seam.h"
#include "host/sdl/window_visibility.h"
#include "host/sdl/xcb_reply.h"
#include "host/sdl/xcb_window.h"
#include "present/frame_pacing.h"

namespace platform::host {
namespace {

// Three pixmaps: with a real flip one is on the screen and one queued, and the next frame is
// written into the third meanwhile.
constexpr int kPixmaps = 3;

// How long to wait for the server's word on a pixmap, that its frame was shown or that it is free
// again: six blanks at 60 Hz. A frame whose word does not come by then counts as missed, and its
// pixmap is never written again (a fresh one is made in its place). But a server that has fallen
// behind (busy, or not given the processor) cannot say anything yet: one that does not answer a
// request either is waited for up to kBehindTimeout.
constexpr std::chrono::milliseconds kAnswerTimeout{100};
constexpr std::chrono::milliseconds kBehindTimeout{2000};

// The server is taken to send no Present events at all once this many frames in a row went
// unanswered and it has said nothing for this long: longer than a blank of the slowest pace a
// server keeps (1 Hz, for a window on no screen or a blanked one), so a slow server is never
// mistaken for a silent one.
constexpr int kUnansweredFramesOfASilentServer = 3;
constexpr std::chrono::milliseconds kSilenceOfASilentServer{2000};

}  // namespace

struct XPresentPresenter::Connection {
    struct Pixmap {
        xcb_pixmap_t id = 0;
        xcb_shm_seg_t segment = 0;
        void* memory = nullptr;
        unsigned request = 0;      // sequence number of its last PresentPixmap, to match an error
        std::uint32_t serial = 0;  // the same request's serial, to match its Complete and Idle
        std::uint64_t frame = 0;   // number of the frame presented from it
        std::uint64_t targetMsc = 0;
        bool queued = false;   // presented, PresentCompleteNotify not yet seen
        bool busy = false;     // presented, PresentIdleNotify of that presentation not yet seen
        bool overdue = false;  // still busy after a wait for the server timed out
    };

    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    std::uint8_t presentOpcode = 0;
    WindowLayout layout;
    int width = 0;
    int height = 0;
    int pitchBytes = 0;
    Pixmap pixmaps[kPixmaps];
    std::uint32_t nextSerial = 1;
    std::uint64_t lastMsc = 0;  // blank the last frame was shown at or, unanswered, aimed at
    std::uint64_t shownFrame = 0;  // the frame the window holds, when known; 0 after a clear
    bool unobscured = false;       // the window is mapped with nothing over it
    WindowReader reader;
    int unanswered = 0;         // frames in a row the server said nothing of in time
    std::chrono::steady_clock::time_point lastWord = std::chrono::steady_clock::now();

    ~Connection() {
        if (c == nullptr) return;
        if (!xcb_connection_has_error(c)) DestroyPixmaps();
        reader.Release(c);
        xcb_disconnect(c);
    }

    bool AnyQueued() const {
        for (const Pixmap& p : pixmaps)
            if (p.queued) return true;
        return false;
    }

    Pixmap* Free() {
        for (Pixmap& p : pixmaps)
            if (p.id != 0 && !p.busy && !p.queued) return &p;
        return nullptr;
    }

    Pixmap* Overdue() {
        for (Pixmap& p : pixmaps)
            if (p.overdue) return &p;
        return nullptr;
    }

    bool Silent() const {
        return unanswered >= kUnansweredFramesOfASilentServer &&
               std::chrono::steady_clock::now() - lastWord >= kSilenceOfASilentServer;
    }

    // Takes the events the connection has read.
    void HandleEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            Handle(*event);
            std::free(event);
        }
    }

    void Handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7F;
        if (type == 0) {
            // A failed request: the pixmap it presented will neither be shown nor be read.
            const auto& error = reinterpret_cast<const xcb_generic_error_t&>(event);
            for (Pixmap& p : pixmaps) {
                if ((p.queued || p.busy) && p.request == error.full_sequence) p.queued = p.busy = p.overdue = false;
            }
            return;
        }
        // What the window shows is lost where it is exposed: the server clears it to the background.
        if (type == XCB_EXPOSE) shownFrame = 0;
        if (type == XCB_VISIBILITY_NOTIFY) {
            unobscured = reinterpret_cast<const xcb_visibility_notify_event_t&>(event).state == XCB_VISIBILITY_UNOBSCURED;
        }
        if (type != XCB_GE_GENERIC) return;
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        if (generic.extension != presentOpcode) return;
        lastWord = std::chrono::steady_clock::now();
        unanswered = 0;
        if (generic.event_type == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
            const auto& done = reinterpret_cast<const xcb_present_complete_notify_event_t&>(event);
            if (done.kind != XCB_PRESENT_COMPLETE_KIND_PIXMAP) return;
            const bool skipped = done.mode == XCB_PRESENT_COMPLETE_MODE_SKIP;
            // A frame given up on already was counted as missed: its word only moves the aim on.
            if (!skipped) lastMsc = std::max(lastMsc, done.msc);
            for (Pixmap& p : pixmaps) {
                if (!p.queued || p.serial != done.serial) continue;
                p.queued = false;
                if (skipped) {
                    present::RecordUnseen(p.frame);
                } else {
                    shownFrame = p.frame;
                    present::RecordShown(p.frame, done.msc, done.ust);
                }
            }
        } else if (generic.event_type == XCB_PRESENT_EVENT_IDLE_NOTIFY) {
            // By serial: a pixmap presented again after a wait timed out must not be freed by the
            // word on its presentation before.
            const auto& idle = reinterpret_cast<const xcb_present_idle_notify_event_t&>(event);
            for (Pixmap& p : pixmaps) {
                if (p.id == idle.pixmap && p.serial == idle.serial) p.busy = p.overdue = false;
            }
        }
    }

    // Reads the server's events until done() holds, asleep on the connection meanwhile. When the
    // server does not answer in time, every pixmap it holds is overdue and every frame queued is
    // counted as missed.
    template <class Done>
    void WaitUntil(Done done) {
        const auto start = std::chrono::steady_clock::now();
        auto deadline = start + kAnswerTimeout;
        std::optional<unsigned> probe;  // a request sent to tell a server behind from one that does not say
        while (!done()) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                Handle(*event);
                std::free(event);
                continue;
            }
            if (xcb_connection_has_error(c)) DisplayLost();
            if (probe && Answered(*probe)) {
                // What the server sent before the answer is read first.
                while (xcb_generic_event_t* event = xcb_poll_for_queued_event(c)) {
                    Handle(*event);
                    std::free(event);
                }
                probe.reset();
                if (!done()) GiveUpWaiting();
                return;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                if (probe) break;
                probe = xcb_get_input_focus(c).sequence;
                xcb_flush(c);
                deadline = start + kBehindTimeout;
                continue;
            }
            pollfd socket{xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&socket, 1, static_cast<int>(left.count()) + 1);
        }
        if (probe) xcb_discard_reply(c, *probe);
        if (!done()) GiveUpWaiting();
    }

    bool Answered(unsigned request) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        const bool answered = xcb_poll_for_reply(c, request, &reply, &error) != 0;
        std::free(reply);
        std::free(error);
        return answered;
    }

    void GiveUpWaiting() {
        for (Pixmap& p : pixmaps) {
            p.overdue = p.busy;
            if (!p.queued) continue;
            p.queued = false;
            lastMsc = std::max(lastMsc, p.targetMsc);
            ++unanswered;
            present::RecordUnseen(p.frame);
        }
    }

    // A free pixmap, waited for at most a while; an overdue one is made anew in its place.
    Pixmap* Writable() {
        WaitUntil([&] { return Free() != nullptr || Overdue() != nullptr; });
        if (Pixmap* free = Free()) return free;
        Pixmap* overdue = Overdue();
        if (overdue == nullptr) return nullptr;
        // The server keeps the old pixmap, and its memory, for as long as it still uses it.
        Release(*overdue);
        return Make(*overdue) ? overdue : nullptr;
    }

    bool MakePixmaps(int newWidth, int newHeight) {
        DestroyPixmaps();
        width = newWidth;
        height = newHeight;
        pitchBytes = layout.PitchOf(width);
        bool made = true;
        for (Pixmap& p : pixmaps) made = made && Make(p);
        if (!made) DestroyPixmaps();
        return made;
    }

    // Makes p a shared-memory pixmap of the current size; false (and nothing left) when it cannot.
    bool Make(Pixmap& p) {
        const auto bytes = static_cast<std::size_t>(pitchBytes) * static_cast<std::size_t>(height);
        bool made = AttachNewSegment(c, bytes, false, p.segment, p.memory);
        if (made) {
            p.id = xcb_generate_id(c);
            made = Succeeded(
                c, xcb_shm_create_pixmap_checked(c, p.id, window, static_cast<std::uint16_t>(width),
                                                 static_cast<std::uint16_t>(height), layout.depth, p.segment, 0));
        }
        if (!made) Release(p);
        return made;
    }

    // Frees p at once (errors for what was never made are expected and ignored): the server keeps
    // a pixmap it still shows or has queued, and the memory under it, until it is done with it.
    void Release(Pixmap& p) {
        if (p.id != 0) xcb_free_pixmap(c, p.id);
        if (p.segment != 0) xcb_shm_detach(c, p.segment);
        if (p.memory != nullptr) shmdt(p.memory);
        p = Pixmap{};
    }

    void DestroyPixmaps() {
        for (Pixmap& p : pixmaps) Release(p);
        xcb_flush(c);
    }
};

std::unique_ptr<XPresentPresenter> XPresentPresenter::Open(SDL_Window* window, bool vsync, std::string& whyNot) {
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
    const xcb_query_extension_reply_t* present = AskExtension(c, &xcb_present_id);
    if (present == nullptr || !present->present) {
        whyNot = "the X display has no Present extension";
        return nullptr;
    }
    x->presentOpcode = present->major_opcode;
    const auto presentVersion =
        Await<xcb_present_query_version_reply_t>(c, xcb_present_query_version(c, 1, 2), "PresentQueryVersion");
    const auto shmVersion = Await<xcb_shm_query_version_reply_t>(c, xcb_shm_query_version(c), "ShmQueryVersion");
    if (!presentVersion || !shmVersion || !shmVersion->shared_pixmaps ||
        shmVersion->pixmap_format != XCB_IMAGE_FORMAT_Z_PIXMAP) {
        whyNot = "the X display's MIT-SHM cannot make shared pixmaps";
        return nullptr;
    }

    if (!ReadWindowLayout(c, x->window, x->layout, whyNot)) return nullptr;
    // A few small pixmaps prove the server can attach our memory (a remote one cannot).
    if (!x->MakePixmaps(8, 8)) {
        whyNot = "the X server cannot attach this process's shared memory";
        return nullptr;
    }
    const std::uint32_t events = XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY | XCB_PRESENT_EVENT_MASK_IDLE_NOTIFY;
    if (!Succeeded(c, xcb_present_select_input_checked(c, xcb_generate_id(c), x->window, events))) {
        whyNot = "the window's Present events cannot be had";
        return nullptr;
    }
    const std::uint32_t black = BarPixel(x->layout.format);
    xcb_change_window_attributes(c, x->window, XCB_CW_BACK_PIXEL, &black);
    // For the screen check: whether the window is covered, and when its contents are lost. The
    // events tell only of changes: a window shown already is asked about (window_visibility.h).
    const std::uint32_t watched = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(c, x->window, XCB_CW_EVENT_MASK, &watched);
    x->unobscured = AskUnobscured(c, x->window);
    x->HandleEvents();
    return std::unique_ptr<XPresentPresenter>(new XPresentPresenter(std::move(x), vsync));
}

XPresentPresenter::XPresentPresenter(std::unique_ptr<Connection> connection, bool vsync)
    : x_(std::move(connection)), vsync_(vsync), writer_(x_->layout.format) {}

XPresentPresenter::~XPresentPresenter() = default;

int XPresentPresenter::Depth() const { return x_->layout.depth; }

bool XPresentPresenter::Resize(const FrameView& frame, int windowWidth, int windowHeight) {
    fit_.Refit(frame.width, frame.height, windowWidth, windowHeight);
    // A frame queued is let be shown first, for its word on when; the pixmaps go without waiting
    // for the server to be done with them.
    x_->WaitUntil([&] { return !x_->AnyQueued(); });
    if (!x_->MakePixmaps(fit_.rect.width, fit_.rect.height)) return false;
    x_->shownFrame = 0;
    fit_.MarkReady();
    // The bars around a smaller picture: cleared once here, and by the server on exposure.
    xcb_clear_area(x_->c, 0, x_->window, 0, 0, 0, 0);
    return true;
}

XPresentPresenter::Outcome XPresentPresenter::Show(const FrameView& frame, std::uint64_t number, int windowWidth,
                                                   int windowHeight) {
    Connection& x = *x_;
    Connection::Pixmap* pixmap = nullptr;
    if (fit_.Holds(frame.width, frame.height, windowWidth, windowHeight) || Resize(frame, windowWidth, windowHeight)) {
        pixmap = x.Writable();
    }
    if (pixmap == nullptr) {
        if (!failureReported_) {
            std::fprintf(stderr, "vornhollow: no shared-memory pixmap of %dx%d for the window\n", fit_.rect.width,
                         fit_.rect.height);
        }
        failureReported_ = true;
        return Outcome::Failed;
    }
    const ImageMemory image{pixmap->memory, fit_.rect.width, fit_.rect.height, x.pitchBytes};
    if (WritesFrame(number)) {
        writer_.Write(frame, image);
        SpoilPicture(image, x.layout.format);
    }
    windowWidth_ = windowWidth;
    windowHeight_ = windowHeight;

    // A flip: at the blank after the one that shows the frame before, once that one is shown.
    // The check reads that one back first, when it asks.
    std::uint32_t options = XCB_PRESENT_OPTION_NONE;
    std::uint64_t targetMsc = 0;
    if (vsync_ || readback_.Due()) x.WaitUntil([&] { return !x.AnyQueued(); });
    ReadBack(lastPresented_);
    if (vsync_) {
        if (x.lastMsc != 0) targetMsc = x.lastMsc + 1;
    } else {
        options = XCB_PRESENT_OPTION_ASYNC;
    }
    if (x.Silent()) return Outcome::ServerSilent;
    pixmap->serial = x.nextSerial++;
    pixmap->request =
        xcb_present_pixmap(x.c, x.window, pixmap->id, pixmap->serial, 0, 0, static_cast<std::int16_t>(fit_.rect.x),
                           static_cast<std::int16_t>(fit_.rect.y), 0, 0, 0, options, targetMsc, 0, 0, 0, nullptr)
            .sequence;
    pixmap->frame = number;
    lastPresented_ = number;
    pixmap->targetMsc = targetMsc;
    pixmap->queued = pixmap->busy = true;
    xcb_flush(x.c);
    return Outcome::Queued;
}

void XPresentPresenter::FinishShowing() {
    x_->WaitUntil([&] { return !x_->AnyQueued(); });
    ReadBack(lastPresented_);
}

void XPresentPresenter::ReadBack(std::uint64_t number) {
    if (number == 0 || number == readFrame_ || !readback_.Due()) return;
    Connection& x = *x_;
    x.HandleEvents();
    // A frame not seen shown (or cleared since) is not what the window holds.
    if (x.shownFrame != number) return;
    readFrame_ = number;
    std::string why;
    if (!x.unobscured) {
        readback_.Fail(number, "the window is covered or not mapped");
    } else if (!x.reader.Read(x.c, x.window, x.layout, windowWidth_, windowHeight_, why)) {
        readback_.Fail(number, why.c_str());
    } else {
        readback_.Deliver(number, x.reader.Pixels(), windowWidth_, windowHeight_, x.layout.PitchOf(windowWidth_),
                          x.layout.format);
    }
}

std::string XPresentPresenter::WhySilent() const {
    const auto silence = std::chrono::duration<double>(std::chrono::steady_clock::now() - x_->lastWord).count();
    char text[160];
    std::snprintf(text, sizeof text, "the X server did not say when any of the last %d frames were shown, for %.1f s",
                  x_->unanswered, silence);
    return text;
}

}  // namespace platform::host
