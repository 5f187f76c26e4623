#include "host/sdl/xcb_reply.h"

#include <poll.h>
#include <xcb/xcbext.h>

#include <cstdio>

#include "common/run_end.h"

namespace platform::host {

void* AwaitReply(xcb_connection_t* c, unsigned sequence, const char* request, xcb_generic_error_t** error) {
    xcb_flush(c);
    const auto deadline = std::chrono::steady_clock::now() + kReplyBound;
    for (;;) {
        if (xcb_connection_has_error(c)) DisplayLost();
        void* reply = nullptr;
        xcb_generic_error_t* refused = nullptr;
        if (xcb_poll_for_reply(c, sequence, &reply, &refused) != 0 && !xcb_connection_has_error(c)) {
            if (error != nullptr) {
                *error = refused;
            } else {
                std::free(refused);
            }
            return reply;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            char what[128];
            std::snprintf(what, sizeof what, "the display stopped answering (no reply to %s within %.0f s)", request,
                          std::chrono::duration<double>(kReplyBound).count());
            DisplayLost(what);
        }
        pollfd socket{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&socket, 1, static_cast<int>(left.count()) + 1);
    }
}

void Sync(xcb_connection_t* c) { Await<xcb_get_input_focus_reply_t>(c, xcb_get_input_focus(c), "GetInputFocus"); }

bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    // Once a later request is answered, the checked one's error, if any, has been read too.
    Sync(c);
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    const bool answered = xcb_poll_for_reply(c, cookie.sequence, &reply, &error) != 0;
    std::free(reply);
    std::free(error);
    return answered && error == nullptr;
}

const xcb_query_extension_reply_t* AskExtension(xcb_connection_t* c, xcb_extension_t* extension) {
    xcb_prefetch_extension_data(c, extension);
    // The answer is read before the later request's: xcb_get_extension_data then only takes it.
    Sync(c);
    return xcb_get_extension_data(c, extension);
}

}  // namespace platform::host
