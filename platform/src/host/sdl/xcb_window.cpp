#include "host/sdl/xcb_window.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include "host/sdl/xcb_reply.h"

namespace platform::host {
namespace {

const xcb_visualtype_t* FindVisual(const xcb_setup_t* setup, xcb_visualid_t id) {
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth)) {
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual)) {
                if (visual.data->visual_id == id) return visual.data;
            }
        }
    }
    return nullptr;
}

const xcb_format_t* FindFormat(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format)) {
        if (format.data->depth == depth) return format.data;
    }
    return nullptr;
}

bool HostIsLittleEndian() {
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 1;
}

}  // namespace

bool ReadWindowLayout(xcb_connection_t* c, xcb_window_t window, WindowLayout& layout, std::string& whyNot) {
    const auto geometry = Await<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, window), "GetGeometry");
    const auto attributes =
        Await<xcb_get_window_attributes_reply_t>(c, xcb_get_window_attributes(c, window), "GetWindowAttributes");
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_visualtype_t* visual = attributes ? FindVisual(setup, attributes->visual) : nullptr;
    const xcb_format_t* pixmapFormat = geometry ? FindFormat(setup, geometry->depth) : nullptr;
    if (visual == nullptr || pixmapFormat == nullptr) {
        whyNot = "the window's attributes cannot be read";
        return false;
    }
    layout.depth = geometry->depth;
    layout.bitsPerPixel = pixmapFormat->bits_per_pixel;
    layout.scanlinePad = pixmapFormat->scanline_pad;
    WindowPixelFormat& format = layout.format;
    format.bytesPerPixel = layout.bitsPerPixel / 8;
    format.redMask = visual->red_mask;
    format.greenMask = visual->green_mask;
    format.blueMask = visual->blue_mask;
    // A 32-bit-deep window has an alpha channel: frames are opaque.
    if (layout.depth == 32) format.fixedBits = ~(format.redMask | format.greenMask | format.blueMask);
    const bool nativeOrder = (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) == HostIsLittleEndian();
    if (!CanDrawOn(visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR, layout.bitsPerPixel, nativeOrder, format)) {
        whyNot = "the window's pixel layout (depth " + std::to_string(layout.depth) + ", " +
                 std::to_string(layout.bitsPerPixel) + " bits per pixel) is not one written here";
        return false;
    }
    return true;
}

bool AttachNewSegment(xcb_connection_t* c, std::size_t bytes, bool readOnly, xcb_shm_seg_t& segment, void*& memory) {
    const int shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmid < 0) return false;
    void* mapped = shmat(shmid, nullptr, 0);
    bool attached = false;
    if (mapped != reinterpret_cast<void*>(-1)) {
        memory = mapped;
        segment = xcb_generate_id(c);
        attached = Succeeded(c, xcb_shm_attach_checked(c, segment, static_cast<std::uint32_t>(shmid), readOnly));
    }
    shmctl(shmid, IPC_RMID, nullptr);
    return attached;
}

bool WindowReader::Read(xcb_connection_t* c, xcb_window_t window, const WindowLayout& layout, int width, int height,
                        std::string& why) {
    const auto geometry = Await<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, window), "GetGeometry");
    if (!geometry || geometry->width != width || geometry->height != height) {
        why = "the window changed size";
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(layout.PitchOf(width)) * static_cast<std::size_t>(height);
    if (bytes > bytes_) {
        Release(c);
        if (!AttachNewSegment(c, bytes, false, segment_, memory_)) {
            Release(c);
            why = "no shared memory to read the window into";
            return false;
        }
        bytes_ = bytes;
    }
    xcb_generic_error_t* error = nullptr;
    const auto image = Await<xcb_shm_get_image_reply_t>(
        c,
        xcb_shm_get_image(c, window, 0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
        "ShmGetImage", &error);
    if (error != nullptr || !image) {
        why = "the X server refused to read the window (GetImage error " +
              std::to_string(error != nullptr ? error->error_code : 0) + ")";
        std::free(error);
        return false;
    }
    return true;
}

void WindowReader::Release(xcb_connection_t* c) {
    if (segment_ != 0 && !xcb_connection_has_error(c)) xcb_shm_detach(c, segment_);
    if (memory_ != nullptr) shmdt(memory_);
    segment_ = 0;
    memory_ = nullptr;
    bytes_ = 0;
}

}  // namespace platform::host
