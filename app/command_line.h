// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line: help, version, the drive the buttons move, and
// the tray actions that run without a window (for launcher actions and
// keyboard shortcuts). With no arguments the program simply opens its window.

#include "drive/tray_status.h"

#include <functional>
#include <optional>
#include <string>

namespace vp {

class MediaControl;

enum class TrayAction { Open, Close, Toggle };

struct CommandLineOutcome {
    // Set when the program is done: help or version shown (0), a tray action
    // carried out (0 when the tray moved, 1 when it did not), or a usage
    // error (2).
    std::optional<int> exitStatus;
    // Otherwise the window opens and its buttons move this drive; empty
    // means the system's default drive.
    std::string devicePath;
};

// Reads the arguments, once, and answers everything that needs no window,
// with no display and no window system: only a core application lives while
// it runs, and it writes in the user's language. When the window is to open,
// no application object has been made, and argc is left at 1: everything has
// been read, and none of it is for the window's application. With no
// arguments nothing has been read at all.
CommandLineOutcome runCommandLine(int& argc, char** argv);

// Moves the tray once, through the same drive layer as the buttons, with its
// diagnostics on standard error; no gate and no advert. Answers the exit
// status: 0 when the tray moved, 1 when it did not.
int runTrayAction(TrayAction action, const std::string& devicePath);

// The same with the backend and the tray's state given: the part that
// decides which way the tray moves.
int runTrayAction(TrayAction action, MediaControl& backend, const std::function<TrayState()>& trayState);

} // namespace vp
