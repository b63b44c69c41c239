// Vorkula Ponkka: opens and closes the CD tray at the press of a button.

#include "app/wiring.h"
#include "ui/main/fm_ponkka.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    vp::prepareApplication(application);
    vp::connectDriveLayer();

    vp::FmPonkka window;
    window.show();
    return QApplication::exec();
}
