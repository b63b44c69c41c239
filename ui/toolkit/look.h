// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The look shared by both windows: one style and one font on every platform,
// so that every caption fits the control it was laid out for.

class QApplication;
class QCoreApplication;

namespace vp {

// The narrow sans face the windows were laid out for, at a size whose
// captions all fit; applied to the whole application. The face travels inside
// the program, so it does not depend on the fonts the system has.
void applyProgramLook(QApplication& application);

// Loads the toolkit's own Finnish texts (standard buttons, the text box's
// context menu, the command line's help), whatever the user's locale. Answers
// whether they were found.
bool installFinnishTranslations(QCoreApplication& application);

} // namespace vp
