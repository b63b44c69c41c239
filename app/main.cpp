// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Vorkula Ponkka: opens and closes the CD tray at the press of a button.

#include "app/command_line.h"
#include "app/wiring.h"
#include "ui/main/fm_ponkka.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Help, version, usage errors and the tray actions end here, without a
    // window; with no arguments nothing happens but the window opening.
    const vp::CommandLineOutcome command = vp::runCommandLine(argc, argv);
    if (command.exitStatus) return *command.exitStatus;

    int status = 0;
    {
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
    if (!vp::letTrayCommandFinish()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
