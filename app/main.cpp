// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Vorkula Ponkka: opens and closes the CD tray at the press of a button.

#include "app/command_line.h"
#include "app/launch_feedback.h"
#include "app/wiring.h"
#include "ui/main/fm_ponkka.h"
#include "ui/toolkit/look.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Help, version, usage errors and the tray actions end here, without a
    // window; with no arguments nothing happens but the window opening.
    const vp::CommandLineOutcome command = vp::runCommandLine(argc, argv);
    if (command.exitStatus) {
        vp::endLaunchFeedback(); // no window will end a launcher's busy feedback
        return *command.exitStatus;
    }

    int status = 0;
    {
        vp::ignoreDesktopTheme(); // must come before the application object
        QApplication application(argc, argv);
        vp::prepareApplication(application);
        vp::connectDriveLayer(command.devicePath);

        vp::FmPonkka window;
        window.show();
        status = QApplication::exec();
    }
    // Closed while the drive was still busy with a tray command: the command
    // gets a few seconds to end (an unmount under way finishes, with its
    // line); past that the program says what it left running and ends.
    return vp::finishProgram(status);
}
