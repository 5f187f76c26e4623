#include "host/sdl/window_visibility.h"

#include <vector>

#include "host/sdl/xcb_reply.h"

namespace platform::host {
namespace {

// A window's box, border included, in its parent's coordinates; right and bottom excluded.
struct Box {
    int left, top, right, bottom;
};

Box BoxOf(const xcb_get_geometry_reply_t& g) {
    return Box{g.x, g.y, g.x + g.width + 2 * g.border_width, g.y + g.height + 2 * g.border_width};
}

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether a mapped InputOutput window of `siblings` overlaps `area`.
bool AnyCovers(xcb_connection_t* c, const std::vector<xcb_window_t>& siblings, const Box& area) {
    // Every question is sent before the first answer is awaited: one round trip for them all.
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (const xcb_window_t sibling : siblings) {
        attributes.push_back(xcb_get_window_attributes(c, sibling));
        geometries.push_back(xcb_get_geometry(c, sibling));
    }
    bool covered = false;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        const auto state = Await<xcb_get_window_attributes_reply_t>(c, attributes[i], "GetWindowAttributes");
        const auto geometry = Await<xcb_get_geometry_reply_t>(c, geometries[i], "GetGeometry");
        // A sibling gone meanwhile covers nothing.
        if (state && geometry && state->map_state == XCB_MAP_STATE_VIEWABLE &&
            state->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT && Overlap(BoxOf(*geometry), area)) {
            covered = true;
        }
    }
    return covered;
}

}  // namespace

bool AskUnobscured(xcb_connection_t* c, xcb_window_t window) {
    const auto state =
        Await<xcb_get_window_attributes_reply_t>(c, xcb_get_window_attributes(c, window), "GetWindowAttributes");
    const auto geometry = Await<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, window), "GetGeometry");
    const auto tree = Await<xcb_query_tree_reply_t>(c, xcb_query_tree(c, window), "QueryTree");
    if (!state || !geometry || !tree || state->map_state != XCB_MAP_STATE_VIEWABLE) return false;
    Box area = BoxOf(*geometry);  // in the coordinates of level's parent
    xcb_window_t level = window;
    xcb_window_t parent = tree->parent;
    while (parent != XCB_NONE) {
        const auto up = Await<xcb_query_tree_reply_t>(c, xcb_query_tree(c, parent), "QueryTree");
        const auto box = Await<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, parent), "GetGeometry");
        if (!up || !box) return false;
        if (area.left < 0 || area.top < 0 || area.right > box->width || area.bottom > box->height) return false;
        // Children come bottom to top: those after level are stacked above it.
        const xcb_window_t* children = xcb_query_tree_children(up.get());
        const std::vector<xcb_window_t> all(children, children + xcb_query_tree_children_length(up.get()));
        std::vector<xcb_window_t> above;
        bool passed = false;
        for (const xcb_window_t child : all) {
            if (passed) above.push_back(child);
            passed = passed || child == level;
        }
        if (!passed || AnyCovers(c, above, area)) return false;
        // Into the coordinates of the parent's parent: the parent's inside starts past its border.
        const int dx = box->x + box->border_width;
        const int dy = box->y + box->border_width;
        area = Box{area.left + dx, area.top + dy, area.right + dx, area.bottom + dy};
        level = parent;
        parent = up->parent;
    }
    return true;
}

}  // namespace platform::host
