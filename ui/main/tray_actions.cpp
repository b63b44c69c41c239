// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The open and close buttons: one procedure, two sets of constants.

#include "ui/main/fm_ponkka.h"

#include "ui_fm_ponkka.h"

#include "drive/module1.h"
#include "runtime/checked_int16.h"
#include "runtime/silent_handler.h"
#include "ui/toolkit/message_box.h"

#include <string>

namespace vp {

void FmPonkka::CmdPonkka_Click()
{
    runTrayAction({"opn",
                   "    Kvarttila Tarjosi sinulle tämänkin täysin ilmaisen cd-aseman avauksen!    ",
                   Module1::OpenCount, ui->LblPonkka, ui->Option5});
}

void FmPonkka::CmdSulje_Click()
{
    runTrayAction({"cls",
                   "    Kvarttila Tarjosi sinulle tämänkin täysin ilmaisen cd-aseman sulkemisen!    ",
                   Module1::CloseCount, ui->LblSulku, ui->Option6});
}

// The counter and the state option record what the user asked for, not what
// the drive did: a drive that could not move is not reported. A run-time
// error (an unreachable media-control interface, a counter already at its
// greatest value) ends the action quietly where it happened.
void FmPonkka::runTrayAction(const TrayAction& action)
{
    runSilently([&] {
        if (!confirmationGatePasses()) return;

        const std::string commandLine = action.commandLine;
        const std::string verb = commandLine.substr(0, 3);
        const std::string argument = commandLine.substr(3);
        Module1::DriveCommand(verb, argument);

        if (ui->Check1->checkState() == Qt::Unchecked) showMessageBox(QString::fromUtf8(action.advert));

        addChecked(action.counter, 1);
        action.countLabel->setText(QString::number(action.counter));
        action.stateOption->setChecked(true);
    });
}

} // namespace vp
