#include "host/sdl/xpresent_events.h"

#include <poll.h>
#include <xcb/present.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "common/run_end.h"
#include "present/frame_pacing.h"

namespace platform::host {
namespace {

// How long to wait for the server's word on a pixmap, that its frame was shown or that it is free
// again: six blanks at 60 Hz. But a server that has fallen behind (busy, or not given the
// processor) cannot say anything yet: one that does not answer a request either is waited for up
// to kBehindTimeout.
constexpr std::chrono::milliseconds kAnswerTimeout{100};
constexpr std::chrono::milliseconds kBehindTimeout{2000};

// The server is taken to send no Present events at all once this many frames in a row went
// unanswered and it has said nothing for this long: longer than a blank of the slowest pace a
// server keeps (1 Hz, for a window on no screen or a blanked one), so a slow server is never
// mistaken for a silent one.
constexpr int kUnansweredFramesOfASilentServer = 3;
constexpr std::chrono::milliseconds kSilenceOfASilentServer{2000};

// Frames given up on that are still waited for; past that the oldest counts as not shown.
constexpr std::size_t kLateKept = 64;

}  // namespace

PresentEvents::PresentEvents(xcb_connection_t* c, xcb_window_t window, PixmapPool& pool)
    : c_(c), window_(window), pool_(pool) {}

PresentEvents::~PresentEvents() {
    for (const Late& late : late_) present::RecordUnseen(late.frame);
    xcb_disconnect(c_);
}

bool PresentEvents::Silent() const {
    return unanswered_ >= kUnansweredFramesOfASilentServer &&
           std::chrono::steady_clock::now() - lastWord_ >= kSilenceOfASilentServer;
}

void PresentEvents::HandleEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        Handle(*event);
        std::free(event);
    }
}

void PresentEvents::HandleQueuedEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(c_)) {
        Handle(*event);
        std::free(event);
    }
}

void PresentEvents::Handle(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    if (type == 0) {
        // A failed request: the pixmap it presented will neither be shown nor be read.
        const auto& error = reinterpret_cast<const xcb_generic_error_t&>(event);
        for (PresentPixmap& p : pool_.Pixmaps()) {
            if (!(p.queued || p.busy) || p.request != error.full_sequence) continue;
            if (p.queued) present::RecordUnseen(p.frame);
            p.queued = p.busy = p.overdue = false;
        }
        return;
    }
    // What the window shows is lost where it is exposed: the server clears it to the background.
    if (type == XCB_EXPOSE) windowValid_ = false;
    if (type == XCB_VISIBILITY_NOTIFY) {
        unobscured_ = reinterpret_cast<const xcb_visibility_notify_event_t&>(event).state == XCB_VISIBILITY_UNOBSCURED;
    }
    if (type != XCB_GE_GENERIC) return;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != presentOpcode_) return;
    lastWord_ = std::chrono::steady_clock::now();
    unanswered_ = 0;
    if (generic.event_type == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
        const auto& done = reinterpret_cast<const xcb_present_complete_notify_event_t&>(event);
        if (done.kind == XCB_PRESENT_COMPLETE_KIND_PIXMAP) {
            Complete(done.serial, done.mode == XCB_PRESENT_COMPLETE_MODE_SKIP, done.msc, done.ust);
        }
    } else if (generic.event_type == XCB_PRESENT_EVENT_IDLE_NOTIFY) {
        // By serial: a pixmap presented again after a wait timed out must not be freed by the
        // word on its presentation before.
        const auto& idle = reinterpret_cast<const xcb_present_idle_notify_event_t&>(event);
        for (PresentPixmap& p : pool_.Pixmaps()) {
            if (p.id == idle.pixmap && p.serial == idle.serial) p.busy = p.overdue = false;
        }
    }
}

void PresentEvents::Complete(std::uint32_t serial, bool skipped, std::uint64_t msc, std::uint64_t ust) {
    if (!skipped) lastMsc_ = std::max(lastMsc_, msc);
    for (PresentPixmap& p : pool_.Pixmaps()) {
        if (!p.queued || p.serial != serial) continue;
        p.queued = false;
        Shown(p.frame, p.wholeUpdate, skipped, msc, ust);
        return;
    }
    // A word that came after the wait for it ended.
    const auto late = std::find_if(late_.begin(), late_.end(), [&](const Late& l) { return l.serial == serial; });
    if (late == late_.end()) return;
    Shown(late->frame, late->wholeUpdate, skipped, msc, ust);
    late_.erase(late);
}

void PresentEvents::Shown(std::uint64_t frame, bool wholeUpdate, bool skipped, std::uint64_t msc, std::uint64_t ust) {
    if (skipped) {
        present::RecordUnseen(frame);
        return;
    }
    present::RecordShown(frame, msc, ust);
    // Presented whole, the window holds the frame whatever it held before; presented in part, only
    // when it held the frame before.
    if (wholeUpdate) windowValid_ = true;
    windowFrame_ = frame;
}

bool PresentEvents::Reached(Until until) {
    switch (until) {
        case Until::NoneQueued: return !pool_.AnyQueued();
        case Until::OneWritable: return pool_.Free() != nullptr || pool_.Overdue() != nullptr;
        case Until::AllAnswered: return !pool_.AnyQueued() && late_.empty();
    }
    return true;
}

void PresentEvents::WaitUntil(Until until) {
    const auto start = std::chrono::steady_clock::now();
    auto deadline = start + kAnswerTimeout;
    std::optional<unsigned> probe;  // a request sent to tell a server behind from one that does not say
    int answers = 0;
    while (!Reached(until)) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            Handle(*event);
            std::free(event);
            continue;
        }
        if (xcb_connection_has_error(c_)) DisplayLost();
        if (probe && Answered(*probe)) {
            // What the server sent before the answer is read first.
            HandleQueuedEvents();
            probe.reset();
            if (Reached(until)) return;
            // A server may answer within the round in which a blank it was late for comes due, and
            // say so right after: only a second answer without the word ends the wait.
            if (++answers == 2) {
                GiveUpWaiting();
                return;
            }
            probe = xcb_get_input_focus(c_).sequence;
            xcb_flush(c_);
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (probe) break;
            probe = xcb_get_input_focus(c_).sequence;
            xcb_flush(c_);
            deadline = start + kBehindTimeout;
            continue;
        }
        pollfd socket{xcb_get_file_descriptor(c_), POLLIN, 0};
        poll(&socket, 1, static_cast<int>(left.count()) + 1);
    }
    if (probe) xcb_discard_reply(c_, *probe);
    if (!Reached(until)) GiveUpWaiting();
}

bool PresentEvents::Answered(unsigned request) {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    const bool answered = xcb_poll_for_reply(c_, request, &reply, &error) != 0;
    std::free(reply);
    std::free(error);
    return answered;
}

void PresentEvents::GiveUpWaiting() {
    for (PresentPixmap& p : pool_.Pixmaps()) {
        p.overdue = p.busy;
        if (!p.queued) continue;
        p.queued = false;
        lastMsc_ = std::max(lastMsc_, p.targetMsc);
        ++unanswered_;
        if (late_.size() == kLateKept) {
            present::RecordUnseen(late_.front().frame);
            late_.erase(late_.begin());
        }
        late_.push_back(Late{p.serial, p.frame, p.wholeUpdate});
    }
}

PresentPixmap* PresentEvents::Writable() {
    WaitUntil(Until::OneWritable);
    if (PresentPixmap* free = pool_.Free()) return free;
    PresentPixmap* overdue = pool_.Overdue();
    if (overdue == nullptr) return nullptr;
    // The server keeps the old pixmap, and its memory, for as long as it still uses it.
    return pool_.Renew(c_, *overdue) ? overdue : nullptr;
}

void PresentEvents::Presented(PresentPixmap& p, unsigned request, std::uint32_t serial, std::uint64_t number,
                              std::uint64_t targetMsc, bool wholeUpdate) {
    p.request = request;
    p.serial = serial;
    p.frame = number;
    p.targetMsc = targetMsc;
    p.wholeUpdate = wholeUpdate;
    p.queued = p.busy = true;
}

void PresentEvents::Finish() {
    // The run is ending: a server that answers but is slow to say is given the longer bound.
    const auto deadline = std::chrono::steady_clock::now() + kBehindTimeout;
    do {
        WaitUntil(Until::AllAnswered);
    } while (!Reached(Until::AllAnswered) && !xcb_connection_has_error(c_) && std::chrono::steady_clock::now() < deadline);
    for (const Late& late : late_) present::RecordUnseen(late.frame);
    late_.clear();
}

}  // namespace platform::host
