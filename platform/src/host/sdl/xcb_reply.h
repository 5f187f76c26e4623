// The replies to what a presenter asks over its own XCB connection, each awaited for a bounded
// time: a server that keeps the connection open but stops answering would otherwise hold the run
// for ever. One that has not answered within kReplyBound ends the run as a display gone away
// (common/run_end.h: "the display stopped answering", the request named, exit code 1); so does a
// connection that broke.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>

namespace platform::host {

inline constexpr std::chrono::milliseconds kReplyBound{1000};

// A reply of xcb's (a heap block the caller frees), freed when this goes.
template <class Reply>
class XcbReply {
public:
    explicit XcbReply(Reply* reply) : reply_(reply) {}
    ~XcbReply() { std::free(reply_); }
    XcbReply(const XcbReply&) = delete;
    XcbReply& operator=(const XcbReply&) = delete;
    Reply* operator->() const { return reply_; }
    Reply& operator*() const { return *reply_; }
    Reply* get() const { return reply_; }
    explicit operator bool() const { return reply_ != nullptr; }

private:
    Reply* reply_;
};

// The reply to request `sequence`, named `request` for the message; null when the server refused
// it (the error then in *error when error is given, for the caller to free).
void* AwaitReply(xcb_connection_t* c, unsigned sequence, const char* request, xcb_generic_error_t** error = nullptr);

// The same for a request's cookie, e.g. Await<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, w), "GetGeometry").
template <class Reply, class Cookie>
XcbReply<Reply> Await(xcb_connection_t* c, Cookie cookie, const char* request, xcb_generic_error_t** error = nullptr) {
    return XcbReply<Reply>(static_cast<Reply*>(AwaitReply(c, cookie.sequence, request, error)));
}

// Returns once the server has handled every request sent so far: their errors and the events they
// caused have been read then.
void Sync(xcb_connection_t* c);

// Whether a checked request without a reply (an xcb_..._checked call) was carried out.
bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie);

// What the server says of an extension (xcb_get_extension_data, which would wait unbounded).
const xcb_query_extension_reply_t* AskExtension(xcb_connection_t* c, xcb_extension_t* extension);

}  // namespace platform::host
