// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/modal_wait.h"

#include "runtime/runtime_error.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace vp {

namespace {

std::atomic<int> abandonedWork{0};

// What the worker thread and the waiting thread share. The worker tells the
// waiting loop that it is done only while somebody still waits.
struct Shared {
    std::mutex mutex;
    bool done = false;
    int result = 0;
    std::exception_ptr error;
    QEventLoop* waiting = nullptr;
    bool abandoned = false;
};

// Input that would act on a window. Repaints, timers, window-system
// requests such as closing the window, and pointer motion go through.
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

class InputDropper : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isUserInput(event->type())) return QObject::eventFilter(watched, event);
        // An accepted shortcut override keeps a mnemonic from firing; the
        // key press that follows is dropped as well.
        event->accept();
        return true;
    }
};

} // namespace

int waitWhileWorking(std::function<int()> work)
{
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    shared->waiting = &loop;

    InputDropper dropper;
    qApp->installEventFilter(&dropper);
    // Most tray actions take milliseconds; a busy pointer shows only once
    // the drive takes long enough to be noticed.
    bool busyPointer = false;
    QTimer pointerDelay;
    pointerDelay.setSingleShot(true);
    QObject::connect(&pointerDelay, &QTimer::timeout, [&busyPointer] {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        busyPointer = true;
    });
    pointerDelay.start(250);

    std::thread([shared, work = std::move(work)] {
        int result = 0;
        std::exception_ptr error;
        try {
            result = work();
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard lock(shared->mutex);
        shared->done = true;
        shared->result = result;
        shared->error = error;
        if (shared->abandoned) --abandonedWork;
        if (shared->waiting) QMetaObject::invokeMethod(shared->waiting, &QEventLoop::quit, Qt::QueuedConnection);
    }).detach();

    // The loop ends when the work is done, or at once when the application
    // quits: quitting ends every event loop, this one too.
    loop.exec();
    bool done = false;
    {
        const std::lock_guard lock(shared->mutex);
        done = shared->done;
        shared->waiting = nullptr;
        if (!done) {
            shared->abandoned = true;
            ++abandonedWork;
        }
    }

    // Input that arrived while the work went on is still queued: it is
    // dropped here too rather than replayed.
    if (done) QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(&dropper);
    pointerDelay.stop();
    if (busyPointer) QApplication::restoreOverrideCursor();

    if (!done) throw RuntimeError(ErrorCode::UserInterrupt, "User interrupt occurred");
    if (shared->error) std::rethrow_exception(shared->error);
    return shared->result;
}

bool abandonedWorkIsRunning() { return abandonedWork.load() > 0; }

} // namespace vp
