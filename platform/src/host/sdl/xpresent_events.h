// The Present path's own XCB connection to the display, and the one owner of what the server
// says on it: when each presentation was shown (PresentCompleteNotify, matched by its serial) and
// when its pixmap is free again (PresentIdleNotify), which errors a request met, and what became
// of the window (exposed, covered). Its events never reach SDL's event loop, nor SDL's this one;
// when the connection breaks, the run ends as the display going away (common/run_end.h).
//
// The server is given about six blanks to say that a frame was shown. Past that it is asked a
// round trip, and only when it answers that (it is keeping up, just not saying) does the wait end:
// the frame's pixmap is never written again (a fresh one takes its place), and the frame is kept
// waiting for its word. A word that comes later is matched by its serial and recorded as it came:
// only a frame whose word never comes by the end of the run counts as not shown.
//
// The window holds a known frame only while nothing has cleared it since a presentation that
// updated all of it: every presentation after that one updates only what changed.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "host/sdl/xpresent_pixmaps.h"

namespace platform::host {

class PresentEvents {
public:
    // Takes the connection over (it is closed at the end); pool's pixmaps get the server's word.
    PresentEvents(xcb_connection_t* c, xcb_window_t window, PixmapPool& pool);
    // Frames still without a word are recorded as not shown.
    ~PresentEvents();
    PresentEvents(const PresentEvents&) = delete;
    PresentEvents& operator=(const PresentEvents&) = delete;

    xcb_connection_t* Connection() const { return c_; }
    xcb_window_t Window() const { return window_; }
    void SetPresentOpcode(std::uint8_t opcode) { presentOpcode_ = opcode; }
    void SetUnobscured(bool unobscured) { unobscured_ = unobscured; }

    // Takes the events the connection has read.
    void HandleEvents();
    // Takes the events already read from the socket, without reading it.
    void HandleQueuedEvents();

    enum class Until {
        NoneQueued,   // every frame presented has had its word
        OneWritable,  // a pixmap is free, or overdue
        AllAnswered,  // and so has every frame given up on
    };
    // Reads the server's events until `until` holds, asleep on the connection meanwhile. When the
    // server does not answer in time, every pixmap it holds is overdue and every frame queued
    // waits for a later word.
    void WaitUntil(Until until);

    // A free pixmap, waited for at most a while; an overdue one is made anew in its place.
    PresentPixmap* Writable();

    // Frame `number` went out from p as request `request` with this serial.
    void Presented(PresentPixmap& p, unsigned request, std::uint32_t serial, std::uint64_t number,
                   std::uint64_t targetMsc, bool wholeUpdate);

    // Returns once the frames queued, and those given up on, have had their word, waited for up
    // to 2 s: the frames still without one count as not shown.
    void Finish();

    // The blank the last frame was shown at or, when its word did not come in time, aimed at.
    std::uint64_t LastMsc() const { return lastMsc_; }
    // The frame the window holds; 0 when that is not known (never updated whole, or cleared since).
    std::uint64_t WindowFrame() const { return windowValid_ ? windowFrame_ : 0; }
    // The window's contents are lost (made anew, resized).
    void WindowCleared() { windowValid_ = false; }
    bool Unobscured() const { return unobscured_; }

    // The server sends no Present events at all: several frames in a row and seconds on end went
    // without a word.
    bool Silent() const;
    int Unanswered() const { return unanswered_; }
    std::chrono::steady_clock::time_point LastWord() const { return lastWord_; }

private:
    // A presentation whose word did not come in time.
    struct Late {
        std::uint32_t serial;
        std::uint64_t frame;
        bool wholeUpdate;
    };
    void Handle(const xcb_generic_event_t& event);
    void Complete(std::uint32_t serial, bool skipped, std::uint64_t msc, std::uint64_t ust);
    void Shown(std::uint64_t frame, bool wholeUpdate, bool skipped, std::uint64_t msc, std::uint64_t ust);
    void GiveUpWaiting();
    bool Reached(Until until);
    bool Answered(unsigned request);

    xcb_connection_t* c_;
    xcb_window_t window_;
    PixmapPool& pool_;
    std::uint8_t presentOpcode_ = 0;
    std::uint64_t lastMsc_ = 0;
    std::uint64_t windowFrame_ = 0;
    bool windowValid_ = false;
    bool unobscured_ = false;
    std::vector<Late> late_;
    int unanswered_ = 0;  // frames in a row the server said nothing of in time
    std::chrono::steady_clock::time_point lastWord_ = std::chrono::steady_clock::now();
};

}  // namespace platform::host
