#include "WindowSystem.h"

#include "core/Clock.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
// The header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool IsKeypadKeySym(xcb_keysym_t sym) {
    return sym >= 0xff80 && sym <= 0xffbd;
}

// The symbol of a key without Shift, Ctrl or Alt, from the core key table (whose columns are
// level 0 and 1 of the first group, then of the second). `state` gives the group and the
// locks: with Num Lock on, a keypad key gives its second symbol, as the keypad is labelled.
xcb_keysym_t LevelZeroKeySym(xcb_keycode_t keycode, quint32 state) {
    xcb_connection_t* connection = Connection();
    if (!connection) {
        return 0;
    }
    const Reply<xcb_get_keyboard_mapping_reply_t> reply(
        xcb_get_keyboard_mapping_reply(connection, xcb_get_keyboard_mapping(connection, keycode, 1),
                                       nullptr),
        &std::free);
    if (!reply || reply->keysyms_per_keycode == 0) {
        return 0;
    }
    const int count = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int group = int((state >> 13) & 3);
    const int column = group < 2 && 2 * group < count ? 2 * group : 0;
    const bool numLock = (state & XCB_MOD_MASK_2) != 0;  // Num Lock is Mod2 in every key map
    if (numLock && column + 1 < count && IsKeypadKeySym(syms[column + 1])) {
        return syms[column + 1];
    }
    return syms[column] != 0 ? syms[column] : syms[0];
}

}  // namespace

void KeepOffTaskbar(QWidget* window) {
    // A tool window alone keeps its task-bar button on several window managers.
    xcb_connection_t* connection = Connection();
    QWindow* handle = window->windowHandle();
    if (!connection || !handle) {
        return;
    }
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

std::optional<QPoint> PositionOnScreen(QWidget* window) {
    xcb_connection_t* connection = Connection();
    QWindow* handle = window->windowHandle();
    if (!connection || !handle) {
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const Reply<xcb_translate_coordinates_reply_t> reply(
        xcb_translate_coordinates_reply(
            connection,
            xcb_translate_coordinates(connection, xcb_window_t(handle->winId()), root, 0, 0),
            nullptr),
        &std::free);
    if (!reply) {
        return std::nullopt;
    }
    return (QPointF(reply->dst_x, reply->dst_y) / window->devicePixelRatioF()).toPoint();
}

FrameKey FrameKeyOf(const QKeyEvent& event) {
    const quint32 keycode = event.nativeScanCode();
    if (keycode == 0) {
        return FrameKeyOfQtKey(event.key(), event.modifiers());
    }
    return FrameKeyOfX11Key(keycode,
                            LevelZeroKeySym(xcb_keycode_t(keycode), event.nativeModifiers()));
}

// Sees every event of the connection before the toolkit: the keyboard's state changes, which
// the toolkit has asked for and which come whether or not a window of ours has the focus,
// and the time stamp of each close request (the time of the key or click that caused it).
struct CloseRequestWatch::Follower : QAbstractNativeEventFilter {
    xcb_connection_t* connection = nullptr;
    uint8_t xkbEvent = 0;
    xcb_atom_t wmProtocols = XCB_ATOM_NONE;
    xcb_atom_t wmDeleteWindow = XCB_ATOM_NONE;
    bool altDown = false;
    quint32 requestTime = 0;
    AltTimeline timeline;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        auto* event = static_cast<xcb_generic_event_t*>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (xkbEvent != 0 && kind == xkbEvent && event->pad0 == XCB_XKB_STATE_NOTIFY) {
            const auto* state = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
            const bool down = (state->baseMods & XCB_MOD_MASK_1) != 0;  // Alt is Mod1
            if (down != altDown) {
                altDown = down;
                timeline.Record(state->time, down, NowMs());
            }
        } else if (kind == XCB_CLIENT_MESSAGE) {
            const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (client->format == 32 && client->type == wmProtocols &&
                client->data.data32[0] == wmDeleteWindow) {
                requestTime = client->data.data32[1];
            }
        }
        return false;
    }
};

CloseRequestWatch::CloseRequestWatch() : follower(std::make_unique<Follower>()) {
    xcb_connection_t* connection = Connection();
    if (!connection) {
        return;
    }
    follower->connection = connection;
    follower->wmProtocols = Atom(connection, "WM_PROTOCOLS");
    follower->wmDeleteWindow = Atom(connection, "WM_DELETE_WINDOW");
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (xkb && xkb->present) {
        follower->xkbEvent = xkb->first_event;
    }
    qApp->installNativeEventFilter(follower.get());
}

CloseRequestWatch::~CloseRequestWatch() {
    if (qApp) {
        qApp->removeNativeEventFilter(follower.get());
    }
}

bool CloseRequestWatch::RequestWithAlt() const {
    return follower->timeline.AltHeldAt(follower->requestTime, NowMs());
}
