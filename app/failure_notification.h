// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a tray command from the window failed, told to a user who may have no
// terminal: the window itself reports nothing, so the program sends one
// desktop notification per failed command beside its standard error line. A
// command from the command line has its terminal and does not notify.

#include <memory>

namespace vp {

class DesktopNotifier;

// Makes each drive failure give its line to the diagnostics sink
// (installDiagnosticsSink: standard error) on the thread that ran the
// command, then hand one notification to the window thread. Needs
// the application object; notifications end with it.
void installWindowFailureSink();

// Makes `notifier` the one that shows those notifications (by default the
// desktop's own). Window thread only.
void useDesktopNotifier(std::shared_ptr<DesktopNotifier> notifier);

} // namespace vp
