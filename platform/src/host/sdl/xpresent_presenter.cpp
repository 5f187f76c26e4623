#include "host/sdl/xpresent_presenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <xcb/present.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "host/sdl/presenter_seam.h"
#include "host/sdl/window_visibility.h"
#include "host/sdl/xcb_reply.h"

namespace platform::host {
namespace {

using Disconnecting = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// The XFixes version whose regions Present takes; 0 when the server has no XFixes.
bool HasXFixesRegions(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* xfixes = AskExtension(c, &xcb_xfixes_id);
    if (xfixes == nullptr || !xfixes->present) return false;
    const auto version =
        Await<xcb_xfixes_query_version_reply_t>(c, xcb_xfixes_query_version(c, 5, 0), "XFixesQueryVersion");
    return version && version->major_version >= 2;
}

}  // namespace

std::unique_ptr<XPresentPresenter> XPresentPresenter::Open(SDL_Window* window, bool vsync, std::string& whyNot) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        whyNot = "the window is not on an X11 display";
        return nullptr;
    }
    Disconnecting connection(xcb_connect(XDisplayString(info.info.x11.display), nullptr), &xcb_disconnect);
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) {
        whyNot = "a second connection to the X display cannot be opened";
        return nullptr;
    }
    const auto xid = static_cast<xcb_window_t>(info.info.x11.window);
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
    const auto presentVersion =
        Await<xcb_present_query_version_reply_t>(c, xcb_present_query_version(c, 1, 2), "PresentQueryVersion");
    const auto shmVersion = Await<xcb_shm_query_version_reply_t>(c, xcb_shm_query_version(c), "ShmQueryVersion");
    if (!presentVersion || !shmVersion || !shmVersion->shared_pixmaps ||
        shmVersion->pixmap_format != XCB_IMAGE_FORMAT_Z_PIXMAP) {
        whyNot = "the X display's MIT-SHM cannot make shared pixmaps";
        return nullptr;
    }
    WindowLayout layout;
    if (!ReadWindowLayout(c, xid, layout, whyNot)) return nullptr;
    const bool regions = HasXFixesRegions(c);

    std::unique_ptr<XPresentPresenter> presenter(new XPresentPresenter(connection.release(), xid, layout, vsync));
    presenter->events_.SetPresentOpcode(present->major_opcode);
    // A few small pixmaps prove the server can attach our memory (a remote one cannot).
    if (!presenter->pool_.Make(c, xid, layout, 8, 8)) {
        whyNot = "the X server cannot attach this process's shared memory";
        return nullptr;
    }
    const std::uint32_t events = XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY | XCB_PRESENT_EVENT_MASK_IDLE_NOTIFY;
    if (!Succeeded(c, xcb_present_select_input_checked(c, xcb_generate_id(c), xid, events))) {
        whyNot = "the window's Present events cannot be had";
        return nullptr;
    }
    if (regions) {
        presenter->region_ = xcb_generate_id(c);
        xcb_xfixes_create_region(c, presenter->region_, 0, nullptr);
    }
    const std::uint32_t black = BarPixel(layout.format);
    xcb_change_window_attributes(c, xid, XCB_CW_BACK_PIXEL, &black);
    // For the screen check: whether the window is covered, and when its contents are lost. The
    // events tell only of changes: a window shown already is asked about (window_visibility.h).
    const std::uint32_t watched = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(c, xid, XCB_CW_EVENT_MASK, &watched);
    presenter->events_.SetUnobscured(AskUnobscured(c, xid));
    presenter->events_.HandleEvents();
    return presenter;
}

XPresentPresenter::XPresentPresenter(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, bool vsync)
    : events_(c, window, pool_), layout_(layout), vsync_(vsync), writer_(layout.format) {}

XPresentPresenter::~XPresentPresenter() {
    xcb_connection_t* c = events_.Connection();
    if (!xcb_connection_has_error(c)) {
        if (region_ != 0) xcb_xfixes_destroy_region(c, region_);
        pool_.Destroy(c);
    }
    readback_.Release(c);
}

bool XPresentPresenter::Resize(const FrameView& frame, int windowWidth, int windowHeight) {
    fit_.Refit(frame.width, frame.height, windowWidth, windowHeight);
    // A frame queued is let be shown first, for its word on when; the pixmaps go without waiting
    // for the server to be done with them.
    events_.WaitUntil(PresentEvents::Until::NoneQueued);
    if (!pool_.Make(events_.Connection(), events_.Window(), layout_, fit_.rect.width, fit_.rect.height)) return false;
    fit_.MarkReady();
    // The bars around a smaller picture: cleared once here, and by the server on exposure.
    xcb_clear_area(events_.Connection(), 0, events_.Window(), 0, 0, 0, 0);
    events_.WindowCleared();
    return true;
}

XPresentPresenter::Outcome XPresentPresenter::Show(const FrameView& frame, std::uint64_t number, int windowWidth,
                                                   int windowHeight, Host::Written& written) {
    pool_.Damage().Push(number, frame.damage, frame.width, frame.height);
    PresentPixmap* pixmap = nullptr;
    if (fit_.Holds(frame.width, frame.height, windowWidth, windowHeight) || Resize(frame, windowWidth, windowHeight)) {
        pixmap = events_.Writable();
    }
    if (pixmap == nullptr) {
        if (!failureReported_) {
            std::fprintf(stderr, "vornhollow: no shared-memory pixmap of %dx%d for the window\n", fit_.rect.width,
                         fit_.rect.height);
        }
        failureReported_ = true;
        return Outcome::Failed;
    }
    const PictureRect& rect = fit_.rect;
    // The pixmap, holding an earlier frame or none, is brought to this one.
    pool_.Damage().Since(pixmap->holds, number, frameDamage_);
    MapToPicture(frameDamage_, frame.width, frame.height, rect.width, rect.height, pictureDamage_);
    const ImageMemory image{pixmap->memory, rect.width, rect.height, pool_.PitchBytes()};
    if (WritesFrame(number)) {
        writer_.Write(frame, image, pictureDamage_);
        SpoilPicture(image, layout_.format, pictureDamage_);
    }
    pixmap->holds = number;
    written = {pictureDamage_.Area(), static_cast<std::uint64_t>(rect.width) * static_cast<std::uint64_t>(rect.height)};
    windowWidth_ = windowWidth;
    windowHeight_ = windowHeight;

    // A flip: at the blank after the one that shows the frame before, once that one is shown.
    // The check reads that one back first, when it asks.
    std::uint32_t options = XCB_PRESENT_OPTION_NONE;
    std::uint64_t targetMsc = 0;
    if (vsync_ || readback_.Due()) events_.WaitUntil(PresentEvents::Until::NoneQueued);
    readback_.Read(events_, layout_, lastPresented_, windowWidth_, windowHeight_);
    if (vsync_) {
        if (events_.LastMsc() != 0) targetMsc = events_.LastMsc() + 1;
    } else {
        options = XCB_PRESENT_OPTION_ASYNC;
    }
    if (events_.Silent()) return Outcome::ServerSilent;
    const xcb_xfixes_region_t update = UpdateRegion(frame, number);
    const std::uint32_t serial = nextSerial_++;
    xcb_connection_t* c = events_.Connection();
    const unsigned request =
        xcb_present_pixmap(c, events_.Window(), pixmap->id, serial, 0, update, static_cast<std::int16_t>(rect.x),
                           static_cast<std::int16_t>(rect.y), 0, 0, 0, options, targetMsc, 0, 0, 0, nullptr)
            .sequence;
    events_.Presented(*pixmap, request, serial, number, targetMsc, update == 0);
    lastPresented_ = number;
    xcb_flush(c);
    return Outcome::Queued;
}

xcb_xfixes_region_t XPresentPresenter::UpdateRegion(const FrameView& frame, std::uint64_t number) {
    const std::uint64_t held = events_.WindowFrame();
    if (region_ == 0 || held == 0) return 0;
    pool_.Damage().Since(held, number, frameDamage_);
    MapToPicture(frameDamage_, frame.width, frame.height, fit_.rect.width, fit_.rect.height, pictureDamage_);
    thread_local std::vector<xcb_rectangle_t> rectangles;
    rectangles.clear();
    for (const pixman_box32_t& box : pictureDamage_.Boxes()) {
        rectangles.push_back({static_cast<std::int16_t>(box.x1), static_cast<std::int16_t>(box.y1),
                              static_cast<std::uint16_t>(box.x2 - box.x1), static_cast<std::uint16_t>(box.y2 - box.y1)});
    }
    xcb_xfixes_set_region(events_.Connection(), region_, static_cast<std::uint32_t>(rectangles.size()),
                          rectangles.data());
    return region_;
}

void XPresentPresenter::FinishShowing() {
    events_.WaitUntil(PresentEvents::Until::NoneQueued);
    readback_.Read(events_, layout_, lastPresented_, windowWidth_, windowHeight_);
    events_.Finish();
}

std::string XPresentPresenter::WhySilent() const {
    const auto silence = std::chrono::duration<double>(std::chrono::steady_clock::now() - events_.LastWord()).count();
    char text[160];
    std::snprintf(text, sizeof text, "the X server did not say when any of the last %d frames were shown, for %.1f s",
                  events_.Unanswered(), silence);
    return text;
}

}  // namespace platform::host
