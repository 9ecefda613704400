#include "WindowSystem.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

void KeepOffTaskbar(QWidget* window) {
    // A tool window alone keeps its task-bar button on several window managers.
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    QWindow* handle = window->windowHandle();
    if (!x11 || !x11->connection() || !handle) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    // The toolkit may replace the native window, so ask for the current one.
    const auto id = static_cast<xcb_window_t>(handle->winId());
    const xcb_atom_t netWmState = Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t wanted[] = {Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};

    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id),
                                        nullptr),
        &std::free);
    if (!attributes) {
        return;
    }
    if (attributes->map_state != XCB_MAP_STATE_UNMAPPED) {
        // A mapped window's state belongs to the window manager: ask it.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = netWmState;
        event.data.data32[0] = 1;  // add
        event.data.data32[1] = wanted[0];
        event.data.data32[2] = wanted[1];
        event.data.data32[3] = 1;  // from an application
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        // Before mapping, the state is the window's own property; keep what else it holds.
        std::vector<xcb_atom_t> states;
        const Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, id, netWmState, XCB_ATOM_ATOM, 0, 64),
                nullptr),
            &std::free);
        if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
            states.assign(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
        }
        for (xcb_atom_t atom : wanted) {
            if (std::find(states.begin(), states.end(), atom) == states.end()) {
                states.push_back(atom);
            }
        }
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(states.size()), states.data());
    }
    xcb_flush(connection);
}
