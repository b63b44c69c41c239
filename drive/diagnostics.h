// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Facts from outside the program made fit for a line of text, and the work
// the drive layer has under way that would outlive the program. The drive
// layer itself composes no lines (drive/drive_result.h).

#include <string>
#include <string_view>

namespace vp {

// `text` made printable and one line: control characters, bytes that are
// not UTF-8 and backslashes are written as escapes ("\x1b", "\\").
std::string printableLine(std::string_view text);

// A umount that the drive layer runs at this moment: what it unmounts and
// its process. Empty (pid 0) when nothing runs.
struct DriveActivity {
    std::string mountPoint;
    int pid = 0;
    bool empty() const { return pid == 0; }
};

// Names, while it lives, work the drive layer has under way that would go on
// without the program, so that a program ending early can say what it left
// running. One at a time, as tray commands are.
class ActivityNote {
public:
    explicit ActivityNote(DriveActivity what);
    ~ActivityNote();
    ActivityNote(const ActivityNote&) = delete;
    ActivityNote& operator=(const ActivityNote&) = delete;
};

// What an ActivityNote names at this moment.
DriveActivity driveActivity();

} // namespace vp
