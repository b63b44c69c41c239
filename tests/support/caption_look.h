// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a caption reads on screen, measured on the pixels a control draws, and
// a stand-in for what a dark desktop theme does to an application.

#include "tests/support/facts.h"

#include <QFont>
#include <QPalette>

#include <vector>

class QWidget;

namespace vp::test {

// WCAG's contrast ratio of two colours, from 1 (the same) to 21 (black on
// white); 4.5 is the least that level AA allows for text.
double contrastRatio(const QColor& a, const QColor& b);

// The contrast of a control's caption (a label's text, a box's or option's
// caption beside its mark, a frame's title, a button's text) against its
// background: the widest contrast between the caption's commonest colour and
// any pixel of it, as the control draws itself.
double captionContrast(QWidget* control);

// Every captioned control of `window` reads at 4.5 : 1 or better; a test
// failure names the first that does not.
void verifyCaptionsRead(const QWidget& window, const std::vector<ControlFact>& controls);

// What a dark desktop theme hands the application before the windows are
// built, or while they are up: a dark palette with light text and a large
// font. Undone when it goes out of scope.
class DarkDesktopTheme {
public:
    DarkDesktopTheme();
    ~DarkDesktopTheme();
    DarkDesktopTheme(const DarkDesktopTheme&) = delete;
    DarkDesktopTheme& operator=(const DarkDesktopTheme&) = delete;

    static QColor window() { return QColor(0x35, 0x35, 0x35); }

private:
    QPalette palette_;
    QFont font_;
};

} // namespace vp::test
