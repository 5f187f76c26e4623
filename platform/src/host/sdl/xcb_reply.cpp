#include "host/sdl/xcb_reply.h"

namespace platform::host {

bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    std::free(error);
    return error == nullptr;
}

}  // namespace platform::host
