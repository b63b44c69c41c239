// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One tray action from the command line, without a window.

#include "app/command_line.h"
#include "app/drive_messages.h"
#include "app/wiring.h"
#include "drive/diagnostics.h"
#include "drive/media_control.h"
#include "drive/tray_status.h"
#include "runtime/runtime_error.h"

#include <string>

namespace vp {

int runTrayAction(TrayAction action, MediaControl& backend, const std::function<TrayState()>& trayState)
{
    std::string command = action == TrayAction::Close ? kDoorClosedCommand : kDoorOpenCommand;
    if (action == TrayAction::Toggle) {
        const TrayState state = trayState();
        if (state == TrayState::Unknown) return 1; // the drive layer has said why
        command = state == TrayState::Open ? kDoorClosedCommand : kDoorOpenCommand;
    }
    // A backend that could not move the tray has said why, in one line.
    return backend.send(command) == 0 ? 0 : 1;
}

int runTrayAction(TrayAction action, const std::string& devicePath)
{
    installDiagnosticsSink();
    try {
        return runTrayAction(action, *makePlatformMediaControl(devicePath),
                             [&devicePath] { return queryTrayState(devicePath); });
    } catch (const RuntimeError& error) {
        reportDiagnostic(printableLine(devicePath.empty() ? std::string("cdaudio") : devicePath) + ": " +
                         printableLine(error.what()));
        return 1;
    }
}

} // namespace vp
