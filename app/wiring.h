// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What joins the program's layers, in one place: the program, its tests and
// its benchmarks all start through these calls.

#include <chrono>
#include <memory>
#include <string>

class QApplication;

namespace vp {

class MediaControl;

// Gives the application its name and the project's version, which the
// command line's --version and the desktop read. Needs no application object.
void nameApplication();

// Names the application for the desktop, and gives it the program's look, its
// texts in the user's language with the toolkit's own in Finnish, and its
// handling of held keys.
void prepareApplication(QApplication& application);

// Writes the drive layer's diagnostics on standard error, one line each,
// after the program's name: "vorkula-ponkka: <device>: <reason>". Both the
// windows and the tray actions of the command line go through it.
void installDiagnosticsSink();

// Joins the drive layer to the windows: its information messages go to the
// program's message box, its diagnostics to standard error and why a tray
// command failed into a desktop notification too, and its commands
// to the platform's backend for `devicePath` (the platform's default drive
// when empty).
void connectDriveLayer(const std::string& devicePath = {});

// Makes `backend` the one that carries the tray commands. A command runs off
// the window thread while the window waits for it as for a modal box; one
// asked for while another runs is dropped.
void useDriveBackend(std::shared_ptr<MediaControl> backend);

// For a program whose window closed while a tray command was still under
// way: gives the command up to `bound` to end (an unmount then finishes, and
// its line comes, before the program ends). Answers whether it ended; if
// not, says on standard error what was left running, and the program should
// end without waiting further.
bool letTrayCommandFinish(std::chrono::milliseconds bound = std::chrono::seconds(5));

// What the program does once its event loop has returned `status` and its
// application object is gone: a tray command still under way gets its few
// seconds (letTrayCommandFinish); one that outlasts them is left, and the
// process ends at once with `status` (std::_Exit) rather than wait for it or
// run its destructors under it. Otherwise answers `status`, for main() to
// return.
int finishProgram(int status);

} // namespace vp
