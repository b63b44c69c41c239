// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The look shared by both windows: one style, one font and one palette on
// every platform and under every desktop theme, so that every caption fits
// the control it was laid out for and reads dark on the program's colours.

class QApplication;
class QCoreApplication;
class QFont;
class QWidget;

namespace vp {

// Call before the application object is built. A desktop's platform theme
// (GNOME's GTK theme, KDE's colour scheme, qt6ct) then lends the program
// neither its palette, nor its font, nor a style sheet of its own, also when
// it would change them while the program runs. The window manager still
// frames the windows as the desktop does.
void ignoreDesktopTheme();

// The program's style, and its font for everything that has no window of
// the program's around it (message boxes, menus). A font file of the
// program's face beside the executable, as the Windows package ships it, is
// loaded first; elsewhere the system's copy is used.
void applyProgramLook(QApplication& application);

// The narrow sans face the windows were laid out for, at a size whose
// captions all fit.
QFont programFont();

// Gives a window the program's font and palette of its own, so that neither
// an application font nor an application palette set by a theme, before or
// after, reaches it or its controls.
void applyWindowLook(QWidget& window);

// Loads the toolkit's own Finnish texts (standard buttons, the text box's
// context menu), whatever the user's locale, for the windows. Answers whether
// they were found.
bool installFinnishTranslations(QCoreApplication& application);

} // namespace vp
