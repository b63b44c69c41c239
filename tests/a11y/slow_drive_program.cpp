// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's window as the program starts it, but with a slow drive that
// only records: each tray command takes MILLISECONDS and is written down,
// as it begins and as it ends, in the file JOURNAL (tests/support/
// recording_media_control.h), so that a harness outside can tell what
// reached the drive and when.
//
// Usage: a11y_slow_drive_program JOURNAL MILLISECONDS

#include "app/wiring.h"
#include "tests/support/recording_media_control.h"
#include "ui/main/fm_ponkka.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    std::FILE* journal = arguments.size() == 3 ? std::fopen(argv[1], "a") : nullptr;
    if (!journal) {
        std::fprintf(stderr, "usage: %s JOURNAL MILLISECONDS\n", argv[0]);
        return 2;
    }
    vp::prepareApplication(application);
    vp::connectDriveLayer();
    auto drive = std::make_shared<vp::RecordingMediaControl>();
    drive->takes = std::chrono::milliseconds(arguments[2].toInt());
    drive->journal = journal;
    vp::useDriveBackend(drive);

    vp::FmPonkka window;
    window.show();
    return QApplication::exec();
}
