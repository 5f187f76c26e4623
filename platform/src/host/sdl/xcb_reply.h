// Replies to the requests a presenter sends over its own XCB connection.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform::host {

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

// Whether a checked request without a reply was carried out.
bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie);

}  // namespace platform::host
