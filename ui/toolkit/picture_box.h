// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture box: a label that shows an embedded picture and takes the
// keyboard focus in its turn like any other control, with no focus mark of its
// own. A key pressed while it has the focus does nothing at all; in a dialog
// an Enter would otherwise reach the dialog and press its default button.
//
// Each picture comes drawn twice, NAME.jpg and NAME@2x.jpg at twice the size.
// On a screen with more than one device pixel to a pixel the box shows the
// sharper drawing, at the same size in pixels; a picture loaded by file name
// would not pick it up by itself, and enlarging the plain one looks soft.

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

namespace vp {

class PictureBox : public QLabel {
    Q_OBJECT
    // The plain drawing's path; the form sets it.
    Q_PROPERTY(QString picture READ picture WRITE setPicture)
public:
    using QLabel::QLabel;

    QString picture() const { return picture_; }
    void setPicture(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Tab and Shift+Tab move the focus before a key press gets here, and
    // mnemonics are shortcuts, which take effect before it too.
    void keyPressEvent(QKeyEvent* event) override { event->accept(); }
    void keyReleaseEvent(QKeyEvent* event) override { event->accept(); }

private:
    const QPixmap& sharp();

    QString picture_;
    QPixmap sharp_; // read on the first paint that needs it
    bool sharpRead_ = false;
};

} // namespace vp
