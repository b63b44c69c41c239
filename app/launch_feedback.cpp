// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/launch_feedback.h"

#ifdef _WIN32

namespace vp {
void endLaunchFeedback() {}
} // namespace vp

#else

// The library asks its users to acknowledge that its interface may change;
// the launchee calls used here have stayed the same since its first release.
#define SN_API_NOT_YET_FROZEN
#include <libsn/sn-launchee.h>

#include <cstdlib>

namespace vp {

void endLaunchFeedback()
{
    const char* id = std::getenv("DESKTOP_STARTUP_ID");
    const char* display = std::getenv("DISPLAY");
    if (!id || !*id || !display || !*display) return;
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    if (!xcb_connection_has_error(connection)) {
        SnDisplay* snDisplay = sn_xcb_display_new(connection, nullptr, nullptr);
        if (SnLauncheeContext* launchee = sn_launchee_context_new_from_environment(snDisplay, screen)) {
            sn_launchee_context_complete(launchee);
            sn_launchee_context_unref(launchee);
        }
        sn_display_unref(snDisplay);
        // A round trip, so that the server has taken the whole message before
        // the connection closes: xcb_disconnect drops output not yet sent,
        // and the process ends right after.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

} // namespace vp

#endif
