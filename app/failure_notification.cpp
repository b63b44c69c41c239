// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/failure_notification.h"

#include "app/desktop_notifier.h"
#include "app/drive_messages.h"
#include "drive/drive_result.h"

#include <QCoreApplication>

#include <mutex>

namespace vp {

namespace {

// Touched on the window thread only.
std::shared_ptr<DesktopNotifier>& currentNotifier()
{
    static std::shared_ptr<DesktopNotifier> notifier;
    if (!notifier) notifier = makeDesktopNotifier();
    return notifier;
}

// Where the drive's worker thread leaves a failure for the window thread: an
// object of that thread, alive as long as the application. The lock keeps it
// from going while a failure is being left there.
std::mutex postMutex;
QObject* post = nullptr;

void notifyOnWindowThread(const DriveFailure& failure)
{
    const std::lock_guard lock(postMutex);
    if (!post) return;
    QMetaObject::invokeMethod(
        post, [failure] { currentNotifier()->notify(failureSummary(failure), failureBody(failure)); },
        Qt::QueuedConnection);
}

} // namespace

void installWindowFailureSink()
{
    if (!post) {
        auto* created = new QObject(QCoreApplication::instance());
        // Before ~QObject drops the failures still waiting for it.
        QObject::connect(created, &QObject::destroyed, [] {
            const std::lock_guard lock(postMutex);
            post = nullptr;
        });
        const std::lock_guard lock(postMutex);
        post = created;
    }
    setFailureSink([](const DriveFailure& failure) {
        reportDiagnostic(failureLine(failure));
        notifyOnWindowThread(failure);
    });
}

void useDesktopNotifier(std::shared_ptr<DesktopNotifier> notifier) { currentNotifier() = std::move(notifier); }

} // namespace vp
