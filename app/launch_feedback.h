// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A launcher that starts the program (its menu entry, or the entry's actions
// "Avaa CD-asema" and "Sulje CD-asema") shows that something is starting, a
// busy pointer or a spinning icon, until a window appears. The toolkit ends
// that when the main window shows; a run that shows no window ends it here,
// or the launcher would keep it up until its own time-out.

namespace vp {

// Tells an X11 launcher that the start it announced in DESKTOP_STARTUP_ID is
// over (the freedesktop.org startup-notification "remove" message on the
// display's root window). Needs no application object; does nothing without
// an identifier or a display, and on Windows.
void endLaunchFeedback();

} // namespace vp
