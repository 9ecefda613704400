#include "WindowWatch.h"

#include <QElapsedTimer>

#include <poll.h>
#include <xcb/xcb.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// xcb's replies are malloc'ed.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Owned(T* reply) {
    return Reply<T>(reply, &std::free);
}

}  // namespace

WindowWatch::WindowWatch() {
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) {
        xcb_screen_next(&screens);
    }
    if (!screens.rem) {
        return;
    }
    root = screens.data->root;
    const char* name = "_NET_CLIENT_LIST";
    auto atom = Owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name), nullptr));
    clientList = atom ? atom->atom : 0;
    // Every change of the client list and every mapping wakes the wait.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

WindowWatch::~WindowWatch() {
    xcb_disconnect(connection);
}

bool WindowWatch::usable() {
    if (xcb_connection_has_error(connection) || root == 0 || clientList == 0) {
        return false;
    }
    auto reply = Owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, 0),
        nullptr));
    return reply && reply->type == XCB_ATOM_WINDOW;
}

std::vector<std::uint32_t> WindowWatch::clients() {
    auto reply = Owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, 1 << 16),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32) {
        return {};
    }
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return {windows, windows + xcb_get_property_value_length(reply.get()) / 4};
}

void WindowWatch::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        if ((event->response_type & 0x7F) == XCB_CREATE_NOTIFY) {
            created.push_back(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
        }
        std::free(event);
    }
}

void WindowWatch::expectNewWindows() {
    // A round trip: every event of what happened before has arrived.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    readEvents();
    created.clear();
}

bool WindowWatch::newWindowShown(int minSide) {
    for (const std::uint32_t window : clients()) {
        if (std::find(created.begin(), created.end(), window) == created.end()) {
            continue;
        }
        auto attributes = Owned(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr));
        auto geometry = Owned(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
        if (attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            geometry->width >= minSide && geometry->height >= minSide) {
            return true;
        }
    }
    return false;
}

bool WindowWatch::waitForNewWindow(int minSide, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    pollfd wake{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (timer.elapsed() < timeoutMs) {
        readEvents();
        if (newWindowShown(minSide)) {
            return true;
        }
        // Asked again at least every 5 ms, in case a change comes without an event.
        poll(&wake, 1, 5);
    }
    return false;
}
