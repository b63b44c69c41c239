// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's window closed while its tray command is still under way, in
// the real-drive test's guest. It starts as the program does, with the real
// drive layer for DEVICE, on whatever platform QT_QPA_PLATFORM names (the
// guest has no display: "offscreen"); ticks the confirmation boxes and clicks
// "&Avaa"; closes the window CLOSE_AFTER milliseconds into the wait, as a
// user closing it would; and then ends as the program ends.
//
// Usage: window_probe DEVICE CLOSE_AFTER
//
// Standard output says what was under way when the window closed and, if the
// tray command ended in the time the program gives it, when; standard error
// has the program's own lines.

#include "app/drive_messages.h"
#include "app/wiring.h"
#include "drive/diagnostics.h"
#include "ui/main/fm_ponkka.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

QtMessageHandler qtsOwn = nullptr;

// The offscreen platform says on standard error what a window system would
// do that it cannot ("This plugin does not support propagateSizeHints()");
// that is the platform's, not the program's, and is left out.
void leaveOutPlatformGaps(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support "))) qtsOwn(type, context, message);
}

void tick(const vp::FmPonkka& window, const char* name)
{
    if (auto* box = window.findChild<QAbstractButton*>(QLatin1String(name))) box->setChecked(true);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEVICE CLOSE_AFTER\n", argv[0]);
        return 2;
    }
    const std::string device = argv[1];
    const int closeAfter = std::atoi(argv[2]);
    QElapsedTimer clock;

    qtsOwn = qInstallMessageHandler(leaveOutPlatformGaps);
    int status = 0;
    {
        QApplication application(argc, argv);
        vp::prepareApplication(application);
        vp::connectDriveLayer(device);

        vp::FmPonkka window;
        window.show();
        tick(window, "Check2");
        tick(window, "Check3");
        QTimer::singleShot(0, &window, [&] {
            QTimer::singleShot(closeAfter, &window, [&] {
                const vp::DriveActivity activity = vp::driveActivity();
                std::printf("window closed %lld ms after the click, with %s under way\n",
                            static_cast<long long>(clock.elapsed()),
                            activity.empty() ? "nothing" : vp::activityText(activity).toUtf8().constData());
                std::fflush(stdout);
                window.close();
            });
            clock.start();
            if (auto* open = window.findChild<QAbstractButton*>(QStringLiteral("CmdPonkka"))) open->click();
        });
        status = QApplication::exec();
    }
    status = vp::finishProgram(status);
    std::printf("the tray command was over %lld ms after the click\n", static_cast<long long>(clock.elapsed()));
    return status;
}
