// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A held key repeats, but a held mnemonic (Alt+A, Alt+S, Alt+K) must not
// press its button again and again: each press of the keys is one click.

class QApplication;

namespace vp {

// From now on, repeats of a key held down with Alt reach no window of the
// application. Holding other keys (arrows, Backspace in the delay field)
// repeats as usual.
void ignoreHeldMnemonics(QApplication& application);

} // namespace vp
