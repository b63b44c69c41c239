// Vorkula Ponkka: opens and closes the CD tray at the press of a button.

#include "fm_ponkka.h"
#include "look.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorkula-ponkka"));
    QApplication::setApplicationVersion(QStringLiteral("1.01"));
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VP_APP_ID));
    vp::applyProgramLook(application);
    vp::installFinnishTranslations(application);
    vp::installInformationBox();

    vp::FmPonkka window;
    window.show();
    return QApplication::exec();
}
