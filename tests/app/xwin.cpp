// A window manager's hands for tests and screenshots under Xvfb, through plain xcb:
//   xwin find  PID TITLE [TIMEOUT_MS]  waits for a mapped window of PID titled TITLE; prints "ID X Y W H"
//   xwin close ID                      asks the window to close, as a window manager does (WM_DELETE_WINDOW)
//   xwin click ID X Y                  sends a button-1 click at X,Y inside the window
//   xwin icon  ID                      prints "W H" of the window's first icon (_NET_WM_ICON)
// Exit code 0 on success, 1 when nothing matched in time, 2 on bad usage or no display.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

template <typename T>
using reply_ptr = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
reply_ptr<T> owned(T* reply) { return reply_ptr<T>(reply, &std::free); }

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto r = owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

reply_ptr<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name) {
    return owned(xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, XCB_ATOM_ANY, 0, 1024), nullptr));
}

bool matches(xcb_connection_t* c, xcb_window_t w, unsigned long pid, const std::string& title) {
    auto attrs = owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
    if (!attrs || attrs->map_state != XCB_MAP_STATE_VIEWABLE)
        return false;
    auto pidProp = property(c, w, atom(c, "_NET_WM_PID"));
    if (!pidProp || xcb_get_property_value_length(pidProp.get()) != 4 ||
        *static_cast<uint32_t*>(xcb_get_property_value(pidProp.get())) != pid)
        return false;
    auto name = property(c, w, atom(c, "_NET_WM_NAME"));
    if (!name)
        return false;
    const char* text = static_cast<const char*>(xcb_get_property_value(name.get()));
    return title == std::string(text, static_cast<size_t>(xcb_get_property_value_length(name.get())));
}

// Waits for a reply, so the server has carried out every request before we hang up: requests still
// unread when the connection closes may be dropped.
int sync(xcb_connection_t* c) {
    return owned(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)) ? 0 : 1;
}

int find(xcb_connection_t* c, xcb_window_t root, unsigned long pid, const std::string& title, long timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
        const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
        for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (!matches(c, children[i], pid, title))
                continue;
            auto geo = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr));
            if (geo)
                std::printf("%u %d %d %u %u\n", children[i], geo->x, geo->y, geo->width, geo->height);
            return geo ? 0 : 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return 1;
}

int close(xcb_connection_t* c, xcb_window_t w) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = atom(c, "WM_PROTOCOLS");
    ev.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    ev.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    return sync(c);
}

int click(xcb_connection_t* c, xcb_window_t root, xcb_window_t w, int16_t x, int16_t y) {
    for (uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE}) {
        xcb_button_press_event_t ev{};
        ev.response_type = type;
        ev.detail = 1;
        ev.root = root;
        ev.event = w;
        ev.event_x = x;
        ev.event_y = y;
        ev.same_screen = 1;
        ev.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        const uint32_t mask = type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE;
        xcb_send_event(c, 0, w, mask, reinterpret_cast<const char*>(&ev));
    }
    return sync(c);
}

int icon(xcb_connection_t* c, xcb_window_t w) {
    auto prop = property(c, w, atom(c, "_NET_WM_ICON"));
    if (!prop || xcb_get_property_value_length(prop.get()) < 8)
        return 1;
    const auto* size = static_cast<const uint32_t*>(xcb_get_property_value(prop.get()));
    std::printf("%u %u\n", size[0], size[1]);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    const bool usageOk = (cmd == "find" && (argc == 4 || argc == 5)) || ((cmd == "close" || cmd == "icon") && argc == 3) ||
                         (cmd == "click" && argc == 5);
    if (!usageOk) {
        std::fprintf(stderr, "usage: xwin find PID TITLE [TIMEOUT_MS] | close ID | click ID X Y | icon ID\n");
        return 2;
    }
    auto conn = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>(xcb_connect(nullptr, nullptr),
                                                                             &xcb_disconnect);
    if (xcb_connection_has_error(conn.get())) {
        std::fprintf(stderr, "xwin: cannot open the display\n");
        return 2;
    }
    xcb_connection_t* c = conn.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (cmd == "find")
        return find(c, root, std::strtoul(argv[2], nullptr, 10), argv[3], argc == 5 ? std::atol(argv[4]) : 10000);
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0));
    if (cmd == "close")
        return close(c, window);
    if (cmd == "icon")
        return icon(c, window);
    return click(c, root, window, static_cast<int16_t>(std::atoi(argv[3])), static_cast<int16_t>(std::atoi(argv[4])));
}
