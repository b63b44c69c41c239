// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications through the freedesktop notification service on the session
// bus (org.freedesktop.Notifications), which every Linux desktop provides.

#include "app/desktop_notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace vp {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage notificationCall(const char* method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kService, QLatin1String(method));
}

// The session bus the desktop announced. Without one, libdbus would start a
// bus of its own through X11 autolaunch, which no notification server
// listens on; the program does without instead.
bool sessionBusAnnounced()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

// Nothing here waits for the bus: QDBusInterface would ask the service to
// describe itself before the first call, and a synchronous call would hold
// the window until a service starts or its absence is known. Every call is
// sent and its answer, if any, handled when it comes.
class FreedesktopNotifier : public DesktopNotifier {
public:
    void notify(const QString& summary, const QString& body) override
    {
        if (!sessionBusAnnounced()) return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        // The body's text comes partly from outside the program (a mount
        // point, a program's name); a server that reads markup in it gets it
        // escaped, one that does not gets it as it is. With no service the
        // question gets an error for an answer, and nothing is shown.
        auto* asked = new QDBusPendingCallWatcher(bus.asyncCall(notificationCall("GetCapabilities")), qApp);
        QObject::connect(asked, &QDBusPendingCallWatcher::finished, asked,
                         [bus, summary, body](QDBusPendingCallWatcher* answer) {
            answer->deleteLater();
            const QDBusPendingReply<QStringList> capabilities = *answer;
            if (capabilities.isError()) return;
            const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
            QDBusMessage call = notificationCall("Notify");
            call << QStringLiteral("Vorkula Ponkka") << 0u // a new notification, replacing none
                 << QStringLiteral(VP_APP_ID)               // the icon installed under the desktop id
                 << summary << (markup ? body.toHtmlEscaped() : body) << QStringList()
                 << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral(VP_APP_ID)}}
                 << -1; // the server's own time on screen
            QDBusConnection(bus).send(call);
        });
    }
};

} // namespace

std::unique_ptr<DesktopNotifier> makeDesktopNotifier() { return std::make_unique<FreedesktopNotifier>(); }

} // namespace vp
