// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the program's windows refuse input while the program waits for slow
// work (ui/toolkit/modal_wait.h), decided in this one place for every way in:
// mouse, keyboard, shortcuts, drag and drop, and accessibility actions, which
// a screen reader sends as calls that reach the controls directly, not as
// input events.

#include <memory>

class QApplication;

namespace vp {

// While it lives:
// - every control that acts (anything that takes the focus, pictures and
//   labels aside, and the menu bar) is disabled, and so is every menu
//   command. Qt's accessibility actions and its drag and drop leave a
//   disabled control alone, and it takes no mouse or key input;
// - buttons send no signals and keep their checked state, so that a click
//   already under way when the wait began (a mnemonic animates its button's
//   click for a tenth of a second) changes nothing and starts nothing;
// - text boxes keep their text: Qt lets accessibility edits through even to
//   a disabled one;
// - an application-wide filter drops key input, which would otherwise still
//   move the keyboard focus or open the menu bar from the keyboard.
// Input still queued when it ends is dropped too, never replayed; then the
// controls are as they were, and the keyboard focus is back where it was.
class InputRefusal {
public:
    InputRefusal();
    ~InputRefusal();
    InputRefusal(const InputRefusal&) = delete;
    InputRefusal& operator=(const InputRefusal&) = delete;

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

// Gives disabled controls the colours of enabled ones, so that a refusal of a
// few milliseconds does not flash the windows grey. Nothing else in the
// program's windows is ever disabled; menus, where a command that cannot be
// chosen now must show it, keep their own disabled colours.
void keepLookWhenDisabled(QApplication& application);

} // namespace vp
