#include "app/wiring.h"

#include "drive/diagnostics.h"
#include "drive/module1.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/message_box.h"

#include <QApplication>

#include <cstdio>

namespace vp {

void prepareApplication(QApplication& application)
{
    QApplication::setApplicationName(QStringLiteral("vorkula-ponkka"));
    QApplication::setApplicationVersion(QStringLiteral("1.01"));
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VP_APP_ID));
    applyProgramLook(application);
    installFinnishTranslations(application);
}

void connectDriveLayer(const std::string& devicePath)
{
    Module1::setInformationBox([](const std::string& text, const std::string& title) {
        showMessageBox(QString::fromStdString(text), QString::fromStdString(title), BoxIcon::Information);
    });
    // Why a tray did not move goes to standard error, one line each, where a
    // terminal or the desktop's journal keeps it; the windows stay as they are.
    setDiagnosticsSink([](const std::string& line) { std::fprintf(stderr, "vorkula-ponkka: %s\n", line.c_str()); });
    Module1::setMediaControl(makePlatformMediaControl(devicePath));
}

} // namespace vp
