// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the drive layer says why a tray did not move. The windows never show
// it: the program installs a sink that writes each line on standard error,
// and tests install one that keeps them.

#include <functional>
#include <string>
#include <string_view>

namespace vp {

// One line per failed tray action, without its line ending: the device, the
// reason in plain words and, where there is one, the remedy.
using DiagnosticsSink = std::function<void(const std::string& line)>;

// Until a sink is installed, diagnostics go nowhere.
void setDiagnosticsSink(DiagnosticsSink sink);

// `text` made printable and one line: control characters, bytes that are
// not UTF-8 and backslashes are written as escapes ("\x1b", "\\").
std::string printableLine(std::string_view text);

// Hands a line to the installed sink. Parts of a line come from outside the
// program (device paths, mount points, program names, umount's words), so
// the sink gets it printable and on one line: control characters, bytes that
// are not UTF-8 and backslashes are written as escapes ("\x1b", "\\").
void reportDiagnostic(const std::string& line);

// Names, while it lives, work the drive layer has under way that would go on
// without the program ("umount /media/cd (pid 4242)"), so that a program
// ending early can say what it left running. One at a time, as tray commands
// are.
class ActivityNote {
public:
    explicit ActivityNote(std::string what);
    ~ActivityNote();
    ActivityNote(const ActivityNote&) = delete;
    ActivityNote& operator=(const ActivityNote&) = delete;
};

// What an ActivityNote names at this moment; empty when nothing.
std::string driveActivity();

} // namespace vp
