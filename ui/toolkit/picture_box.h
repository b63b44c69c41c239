// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture box: a label that shows an embedded picture and takes the
// keyboard focus in its turn like any other control, with no focus mark of its
// own. A key pressed while it has the focus does nothing at all; in a dialog
// an Enter would otherwise reach the dialog and press its default button.

#include <QKeyEvent>
#include <QLabel>

namespace vp {

class PictureBox : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    // Tab and Shift+Tab move the focus before a key press gets here, and
    // mnemonics are shortcuts, which take effect before it too.
    void keyPressEvent(QKeyEvent* event) override { event->accept(); }
    void keyReleaseEvent(QKeyEvent* event) override { event->accept(); }
};

} // namespace vp
