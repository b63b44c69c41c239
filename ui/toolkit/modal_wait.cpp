// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/modal_wait.h"

#include "runtime/runtime_error.h"
#include "ui/toolkit/input_refusal.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vp {

namespace {

// Work that a wait gave up on, still running.
struct Abandoned {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
};

Abandoned& abandoned()
{
    static Abandoned work;
    return work;
}

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

} // namespace

int waitWhileWorking(std::function<int()> work)
{
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    shared->waiting = &loop;

    std::optional<InputRefusal> refusal(std::in_place);
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
        if (shared->abandoned) {
            Abandoned& work = abandoned();
            const std::lock_guard counting(work.mutex);
            --work.running;
            work.finished.notify_all();
        }
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
            const std::lock_guard counting(abandoned().mutex);
            ++abandoned().running;
        }
    }

    refusal.reset();
    pointerDelay.stop();
    if (busyPointer) QApplication::restoreOverrideCursor();

    if (!done) throw RuntimeError(ErrorCode::UserInterrupt, "User interrupt occurred");
    if (shared->error) std::rethrow_exception(shared->error);
    return shared->result;
}

bool waitForAbandonedWork(std::chrono::milliseconds bound)
{
    Abandoned& work = abandoned();
    std::unique_lock lock(work.mutex);
    return work.finished.wait_for(lock, bound, [&work] { return work.running == 0; });
}

} // namespace vp
