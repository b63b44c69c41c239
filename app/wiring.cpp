// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wiring.h"

#include "app/drive_messages.h"
#include "app/failure_notification.h"
#include "app/translations.h"
#include "drive/diagnostics.h"
#include "drive/drive_result.h"
#include "drive/media_control.h"
#include "drive/module1.h"
#include "ui/toolkit/held_keys.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/modal_wait.h"

#include <QApplication>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vp {

namespace {

// A drive can take seconds to move its tray, and the kernel allows a command
// far longer. The command runs on a thread of its own meanwhile, so the
// windows keep repainting and their timers ticking, and clicks made in the
// wait are dropped rather than replayed; the handler that sent it still goes
// on only once it has returned.
class WaitingMediaControl : public MediaControl {
public:
    explicit WaitingMediaControl(std::shared_ptr<MediaControl> backend) : backend_(std::move(backend)) {}

    // One tray command at a time: one asked for while another is still
    // under way (even one whose wait was given up) is dropped, not queued.
    int send(const std::string& command) override
    {
        if (busy_->exchange(true)) return EALREADY;
        return waitWhileWorking([backend = backend_, busy = busy_, command] {
            const struct Done {
                std::atomic<bool>& busy;
                ~Done() { busy = false; }
            } done{*busy};
            return backend->send(command);
        });
    }

private:
    std::shared_ptr<MediaControl> backend_;
    std::shared_ptr<std::atomic<bool>> busy_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace

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
    installTranslations(application, ToolkitLanguage::Finnish);
    ignoreHeldMnemonics(application);
}

void connectDriveLayer(const std::string& devicePath)
{
    Module1::setInformationBox([](const std::string& text, const std::string& title) {
        showMessageBox(QString::fromStdString(text), QString::fromStdString(title), BoxIcon::Information);
    });
    // Why a tray did not move goes to standard error, where a terminal or the
    // desktop's journal keeps it, and, since a program started from the
    // desktop has no terminal, into a desktop notification; the windows stay
    // as they are.
    installDiagnosticsSink();
    installWindowFailureSink();
    useDriveBackend(makePlatformMediaControl(devicePath));
}

void useDriveBackend(std::shared_ptr<MediaControl> backend)
{
    Module1::setMediaControl(std::make_shared<WaitingMediaControl>(std::move(backend)));
}

bool letTrayCommandFinish(std::chrono::milliseconds bound)
{
    if (waitForAbandonedWork(bound)) return true;
    reportDiagnostic(unfinishedCommandLine(driveActivity()));
    return false;
}

int finishProgram(int status)
{
    if (!letTrayCommandFinish()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

void installDiagnosticsSink()
{
    // One line each, whole, its facts escaped where it was composed.
    setDiagnosticsSink([](const std::string& line) { std::fprintf(stderr, "vorkula-ponkka: %s\n", line.c_str()); });
    setFailureSink([](const DriveFailure& failure) { reportDiagnostic(failureLine(failure)); });
}

} // namespace vp
