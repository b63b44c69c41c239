// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the program's windows refuse input while the program waits for slow
// work (ui/toolkit/modal_wait.h), decided in this one place for every way in:
// mouse, keyboard, shortcuts, drag and drop, and accessibility actions, which
// a screen reader sends as calls that reach the controls directly, not as
// input events.

#include <memory>


namespace vp {

// While it lives:
// - every window is disabled, and with it every control in it; Qt's
//   accessibility actions and its drag and drop leave a disabled control
//   alone, and it takes no mouse or key input. A control disabled on purpose
//   stays disabled afterwards. Menu commands are disabled too, as a disabled
//   window leaves them to a screen reader;
// - buttons send no signals and keep their checked state, so that a click
//   already under way when the wait began (a mnemonic animates its button's
//   click for a tenth of a second) changes nothing and starts nothing;
// - text boxes keep their text: Qt lets accessibility edits through even to
//   a disabled one;
// - an application-wide filter drops key input, which would otherwise still
//   reach the menu bar from the keyboard.
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

} // namespace vp
