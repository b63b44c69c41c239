// Vorkula Ponkka: opens and closes the CD tray at the press of a button.

#include "app/wiring.h"
#include "ui/main/fm_ponkka.h"
#include "ui/toolkit/modal_wait.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    int status = 0;
    {
        QApplication application(argc, argv);
        vp::prepareApplication(application);
        vp::connectDriveLayer();

        vp::FmPonkka window;
        window.show();
        status = QApplication::exec();
    }
    // Closed while the drive was still busy with a tray command: the program
    // ends now rather than when the drive answers, and the kernel closes the
    // device behind it.
    if (vp::abandonedWorkIsRunning()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
