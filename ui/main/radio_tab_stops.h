// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tab enters a group of radio buttons at its selected option and leaves it
// from there; the arrow keys move within the group. So it is on Windows and
// in GTK programs, and so a screen reader user meets the choice that stands.
// Qt's own rule differs: the group's one tab stop is the button that last
// had the focus, and before any had it every button is a stop.

class QWidget;

namespace vp {

// Keeps the tab stop of the radio buttons directly in `container` on the
// selected one (on the first while none is), from now on.
void keepTabStopOnSelection(QWidget* container);

} // namespace vp
