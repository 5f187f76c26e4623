// x_resources PID: what the X server holds for the clients of process PID, as the X-Resource
// extension counts it: one "TYPE COUNT" line per kind of resource (WINDOW, PIXMAP, GC, ShmSeg...),
// sorted by type. Exit 1 when the server or the extension cannot be asked, 2 on a bad argument.
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::string AtomName(xcb_connection_t* c, xcb_atom_t atom) {
    Reply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr), &std::free);
    if (!name) return "atom-" + std::to_string(atom);
    return std::string(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long pid = argc == 2 ? std::strtoul(argv[1], &end, 10) : 0;
    if (argc != 2 || *end != '\0' || pid == 0) {
        std::fprintf(stderr, "usage: x_resources PID\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "x_resources: no X server\n");
        return 1;
    }
    xcb_res_client_id_spec_t all{0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    Reply<xcb_res_query_client_ids_reply_t> ids(
        xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &all), nullptr), &std::free);
    if (!ids) {
        std::fprintf(stderr, "x_resources: the server has no X-Resource 1.2\n");
        return 1;
    }
    std::vector<std::uint32_t> clients;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem > 0; xcb_res_client_id_value_next(&it)) {
        if (xcb_res_client_id_value_value_length(it.data) == 1 && *xcb_res_client_id_value_value(it.data) == pid) {
            std::uint32_t client = 0;  // a value record starts with its client's XID
            std::memcpy(&client, it.data, sizeof client);
            clients.push_back(client);
        }
    }
    std::map<std::string, unsigned long> counts;
    for (const std::uint32_t client : clients) {
        Reply<xcb_res_query_client_resources_reply_t> held(
            xcb_res_query_client_resources_reply(c, xcb_res_query_client_resources(c, client), nullptr), &std::free);
        if (!held) continue;
        for (auto it = xcb_res_query_client_resources_types_iterator(held.get()); it.rem > 0; xcb_res_type_next(&it)) {
            counts[AtomName(c, it.data->resource_type)] += it.data->count;
        }
    }
    for (const auto& [type, count] : counts) std::printf("%s %lu\n", type.c_str(), count);
    xcb_disconnect(c);
    return 0;
}
