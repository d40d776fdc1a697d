// Top-level window titles through xcb and its EWMH helpers.
#include "platform/x11_window_list.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace korvel {

namespace {

// Window titles longer than this are cut, as a title bar would show them anyway.
constexpr uint32_t kTitleWords = 256;

struct Connection {
    xcb_connection_t* c = nullptr;
    ~Connection() {
        if (c) xcb_disconnect(c);
    }
};

std::vector<xcb_window_t> windowsFromEwmh(xcb_ewmh_connection_t& ewmh, int screen) {
    std::vector<xcb_window_t> windows;
    xcb_ewmh_get_windows_reply_t list;
    // The stacking list runs bottom to top; the plain client list has no order we can use.
    if (xcb_ewmh_get_client_list_stacking_reply(&ewmh, xcb_ewmh_get_client_list_stacking(&ewmh, screen), &list,
                                                nullptr)) {
        windows.assign(list.windows, list.windows + list.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&list);
        std::reverse(windows.begin(), windows.end());
    } else if (xcb_ewmh_get_client_list_reply(&ewmh, xcb_ewmh_get_client_list(&ewmh, screen), &list, nullptr)) {
        windows.assign(list.windows, list.windows + list.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&list);
    }
    return windows;
}

// Without a window manager the top-level windows are the root's children, bottom to top.
std::vector<xcb_window_t> rootChildren(xcb_connection_t* c, xcb_window_t root) {
    std::vector<xcb_window_t> windows;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
    if (!tree) return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int n = xcb_query_tree_children_length(tree.get());
    windows.assign(children, children + n);
    std::reverse(windows.begin(), windows.end());
    return windows;
}

std::string plainTitle(xcb_connection_t* c, xcb_window_t w) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleWords),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 8) return {};
    const int n = xcb_get_property_value_length(reply.get());
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())), n > 0 ? n : 0);
}

std::string titleOf(xcb_ewmh_connection_t& ewmh, xcb_window_t w) {
    xcb_ewmh_get_utf8_strings_reply_t name;
    if (xcb_ewmh_get_wm_name_reply(&ewmh, xcb_ewmh_get_wm_name(&ewmh, w), &name, nullptr)) {
        std::string title(name.strings, std::min<uint32_t>(name.strings_len, kTitleWords * 4));
        xcb_ewmh_get_utf8_strings_reply_wipe(&name);
        // A list of strings holds its first one up to the first NUL.
        title.resize(std::min(title.size(), title.find('\0')));
        if (!title.empty()) return title;
    }
    return plainTitle(ewmh.connection, w);
}

}  // namespace

std::vector<std::string> X11WindowTitleSource::titles() const {
    std::vector<std::string> titles;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return titles;
    int screen = 0;
    Connection conn;
    conn.c = xcb_connect(display, &screen);
    if (!conn.c || xcb_connection_has_error(conn.c)) return titles;

    xcb_ewmh_connection_t ewmh;
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(conn.c, &ewmh), nullptr)) return titles;
    std::vector<xcb_window_t> windows = windowsFromEwmh(ewmh, screen);
    if (windows.empty() && screen < ewmh.nb_screens) windows = rootChildren(conn.c, ewmh.screens[screen]->root);
    for (xcb_window_t w : windows) {
        std::string title = titleOf(ewmh, w);
        if (!title.empty()) titles.push_back(std::move(title));
    }
    xcb_ewmh_connection_wipe(&ewmh);
    return titles;
}

}  // namespace korvel
