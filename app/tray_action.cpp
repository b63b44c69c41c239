// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One tray action from the command line, without a window.

#include "app/command_line.h"
#include "app/wiring.h"
#include "drive/diagnostics.h"
#include "drive/media_control.h"
#include "drive/tray_status.h"
#include "runtime/runtime_error.h"

#include <memory>
#include <string>

namespace vp {

int runTrayAction(TrayAction action, const std::string& devicePath)
{
    auto linesWritten = std::make_shared<int>(0);
    installDiagnosticsSink([linesWritten] { ++*linesWritten; });
    const std::string drive = devicePath.empty() ? std::string("the default CD drive") : devicePath;

    std::string command = action == TrayAction::Close ? kDoorClosedCommand : kDoorOpenCommand;
    if (action == TrayAction::Toggle) {
        const TrayState state = queryTrayState(devicePath);
        if (state == TrayState::Unknown) return 1; // the drive layer has said why
        command = state == TrayState::Open ? kDoorClosedCommand : kDoorOpenCommand;
    }

    int code = 0;
    try {
        code = makePlatformMediaControl(devicePath)->send(command);
    } catch (const RuntimeError& error) {
        reportDiagnostic(drive + ": " + error.what());
        return 1;
    }
    if (code == 0) return 0;
    // The backend names the device and the reason; should it have said
    // nothing, the one line per failed action is still written.
    if (*linesWritten == 0) reportDiagnostic(drive + ": the tray did not move (error " + std::to_string(code) + ")");
    return 1;
}

} // namespace vp
