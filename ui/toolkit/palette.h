// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours the windows are drawn in. A desktop theme may hand the
// application a palette of its own, often a dark one with light text; the
// windows' yellow, green and red would then carry light captions no one can
// read. So the windows never take their colours from the application: each
// holds a complete palette of the program's, which its controls inherit and
// on which they set their own background colours.

#include <QColor>
#include <QPalette>

namespace vp {

// The program's light palette, dark text on light surfaces, with every role
// of every colour group set, so that nothing of an application palette shows
// through in a widget that holds it.
const QPalette& programPalette();

} // namespace vp
