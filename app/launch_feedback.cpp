// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/launch_feedback.h"

#ifdef _WIN32

namespace vp {
void endLaunchFeedback() {}
} // namespace vp

#else

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace vp {

namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The message's value in double quotes, with a quote or backslash in it
// escaped, as the startup-notification protocol reads it.
std::string removeMessage(const char* id)
{
    std::string message = "remove: ID=\"";
    for (const char* c = id; *c; ++c) {
        if (*c == '"' || *c == '\\') message += '\\';
        message += *c;
    }
    return message + '"';
}

// The message goes to the root window in pieces of 20 bytes, its closing
// zero byte included: the first piece as _NET_STARTUP_INFO_BEGIN, the rest as
// _NET_STARTUP_INFO, each from a window of the sender's own.
void sendToRoot(xcb_connection_t* connection, const xcb_screen_t* screen, const std::string& message)
{
    const xcb_atom_t begin = atomNamed(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atomNamed(connection, "_NET_STARTUP_INFO");
    if (begin == XCB_ATOM_NONE || more == XCB_ATOM_NONE) return;

    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, screen->root, -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::size_t length = message.size() + 1;
    for (std::size_t sent = 0; sent < length; sent += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = sent == 0 ? begin : more;
        std::memcpy(event.data.data8, message.c_str() + sent, std::min<std::size_t>(20, length - sent));
        xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_destroy_window(connection, sender);
    // A round trip, so that the server has taken every piece before the
    // connection closes behind them.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

void endLaunchFeedback()
{
    const char* id = std::getenv("DESKTOP_STARTUP_ID");
    if (!id || !*id) return;
    const std::string message = removeMessage(id);
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!xcb_connection_has_error(connection)) {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
        if (screens.rem) sendToRoot(connection, screens.data, message);
    }
    xcb_disconnect(connection);
}

} // namespace vp

#endif
