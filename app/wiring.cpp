// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wiring.h"

#include "drive/diagnostics.h"
#include "drive/module1.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/message_box.h"

#include <QApplication>

#include <cstdio>
#include <utility>

namespace vp {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("vorkula-ponkka"));
    // The one version of the project, from its build description.
    QCoreApplication::setApplicationVersion(QStringLiteral(VP_VERSION));
}

void prepareApplication(QApplication& application)
{
    nameApplication();
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
    // Why a tray did not move goes to standard error, where a terminal or the
    // desktop's journal keeps it; the windows stay as they are.
    installDiagnosticsSink();
    Module1::setMediaControl(makePlatformMediaControl(devicePath));
}

void installDiagnosticsSink(std::function<void()> afterEachLine)
{
    setDiagnosticsSink([afterEachLine = std::move(afterEachLine)](const std::string& line) {
        std::fprintf(stderr, "vorkula-ponkka: %s\n", line.c_str());
        if (afterEachLine) afterEachLine();
    });
}

} // namespace vp
