// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place where a drive failure becomes words, in the user's language
// (English source text through Qt's translation system), for every channel:
// the standard error line, the desktop notification, the command line.

#include "drive/diagnostics.h"
#include "drive/drive_result.h"

#include <QString>

#include <functional>
#include <string>

namespace vp {

// Why, in a few words: "the disc is in use: /media/cd could not be unmounted; ..."
QString failureReason(const DriveFailure& failure);

// A notification's body: the reason, after the device it concerns when there
// is one ("/dev/sr0: the disc is in use: ...").
QString failureBody(const DriveFailure& failure);

// A notification's summary: "The tray did not open" / "The tray did not close" / ...
QString failureSummary(const DriveFailure& failure);

// The standard error line without the program's name: "<device>: cannot open
// the tray: <reason>", with control bytes escaped, on one line.
std::string failureLine(const DriveFailure& failure);

// "umount /media/cd (pid 4242)": a umount the drive layer has under way.
QString activityText(const DriveActivity& activity);

// The line said when the program ends with a tray command still running,
// naming the umount under way, if any.
std::string unfinishedCommandLine(const DriveActivity& activity);

// Where finished lines go (the program: standard error, after its name;
// tests: a list). Each line is printable already; the sink adds nothing to
// it but its frame. Until one is installed, lines go nowhere.
using DiagnosticsSink = std::function<void(const std::string& line)>;
void setDiagnosticsSink(DiagnosticsSink sink);
void reportDiagnostic(const std::string& line);

} // namespace vp
