// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications on Windows: the balloon of a notification-area icon, which
// Windows 10 and later show as a toast. The icon is there only while its
// message is.

#include "app/desktop_notifier.h"

#include <QApplication>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vp {

namespace {

constexpr int kShownMs = 10000;

class TrayBalloonNotifier : public DesktopNotifier {
public:
    void notify(const QString& summary, const QString& body) override
    {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
        // The program's icon where the program was given one; the executable
        // carries none, so else the style's CD drive.
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon);
        auto* tray = new QSystemTrayIcon(icon, qApp);
        tray->setToolTip(QStringLiteral("Vorkula Ponkka"));
        tray->show();
        tray->showMessage(summary, body, icon, kShownMs);
        QObject::connect(tray, &QSystemTrayIcon::messageClicked, tray, &QObject::deleteLater);
        QTimer::singleShot(kShownMs, tray, &QObject::deleteLater);
    }
};

} // namespace

std::unique_ptr<DesktopNotifier> makeDesktopNotifier() { return std::make_unique<TrayBalloonNotifier>(); }

} // namespace vp
