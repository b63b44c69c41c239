// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language of everything the program writes besides its windows' own
// texts (help, usage errors, drive failures): the user's, as the locale tells
// it, when the program has a catalogue for it, and otherwise English, the
// language its texts are written in.

class QCoreApplication;

namespace vp {

// Whose texts the toolkit's own words (Qt's) follow.
enum class ToolkitLanguage {
    // Finnish in every locale: the windows' texts are Finnish whatever the
    // user's language, and Qt's words inside them (standard buttons, the
    // text box's context menu) must read as part of them.
    Finnish,
    // The program's own language: on the command line Qt words the help's
    // headings and the parser's errors, which stand on lines beside the
    // program's own and must read in the same language.
    Program,
};

// Installs the program's catalogue for the language the locale asks for
// (QLocale::system(), which reads LANGUAGE, LC_ALL, LC_MESSAGES and LANG), and
// Qt's own texts in the language `toolkit` says.
void installTranslations(QCoreApplication& application, ToolkitLanguage toolkit);

} // namespace vp
