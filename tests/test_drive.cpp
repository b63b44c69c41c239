// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drive command dispatcher and the Linux backend, without any window.

#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "tests/support/recording_media_control.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace vp;

class TestDrive : public QObject {
    Q_OBJECT

    std::shared_ptr<RecordingMediaControl> recorder;
    std::vector<std::pair<std::string, std::string>> boxes;

private slots:
    void init()
    {
        recorder = std::make_shared<RecordingMediaControl>();
        Module1::setMediaControl(recorder);
        boxes.clear();
        Module1::setInformationBox([this](const std::string& text, const std::string& title) {
            boxes.emplace_back(text, title);
        });
    }

    void cleanup()
    {
        Module1::setMediaControl(nullptr);
        Module1::setInformationBox(nullptr);
    }

    void verbsSendTheirWholeCommandWhateverTheirCase_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("command");
        QTest::newRow("opn") << "opn" << "set cdaudio door open";
        QTest::newRow("Opn") << "Opn" << "set cdaudio door open";
        QTest::newRow("OPN") << "OPN" << "set cdaudio door open";
        QTest::newRow("cls") << "cls" << "set cdaudio door closed";
        QTest::newRow("CLS") << "CLS" << "set cdaudio door closed";
        QTest::newRow("cLs") << "cLs" << "set cdaudio door closed";
    }
    void verbsSendTheirWholeCommandWhateverTheirCase()
    {
        QFETCH(QString, verb);
        QFETCH(QString, command);
        Module1::DriveCommand(verb.toStdString(), "ignored argument");
        QCOMPARE(recorder->commands, std::vector<std::string>{command.toStdString()});
        QVERIFY(boxes.empty());
    }

    void msgShowsItsArgumentInAnInformationBox()
    {
        Module1::DriveCommand("msg", "Hei maailma");
        Module1::DriveCommand("MSG", "");
        QCOMPARE(boxes.size(), std::size_t(2));
        QCOMPARE(boxes[0], std::make_pair(std::string("Hei maailma"), std::string("Information")));
        QCOMPARE(boxes[1], std::make_pair(std::string(""), std::string("Information")));
        QVERIFY(recorder->commands.empty());
    }

    void otherVerbsDoNothing_data()
    {
        QTest::addColumn<QString>("verb");
        for (const char* verb : {"", "op", "opnx", " opn", "ej", "xyz", "eject", "clo", "ms", "öpn"})
            QTest::newRow(verb) << QString::fromUtf8(verb);
    }
    void otherVerbsDoNothing()
    {
        QFETCH(QString, verb);
        Module1::DriveCommand(verb.toStdString(), "x");
        QVERIFY(recorder->commands.empty());
        QVERIFY(boxes.empty());
    }

    void driveErrorCodesAreIgnored()
    {
        recorder->result = 259; // what the media-control interface answers with no drive
        Module1::DriveCommand("opn", "");
        Module1::DriveCommand("cls", "");
        QCOMPARE(recorder->commands.size(), std::size_t(2));
    }

    void anUnreachableInterfaceRaisesTheRuntimeError()
    {
        static const ErrorCode missing = ErrorCode::EntryPointNotFound;
        recorder->failWith = &missing;
        try {
            Module1::DriveCommand("opn", "");
            QFAIL("DriveCommand swallowed the run-time error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.code(), ErrorCode::EntryPointNotFound);
        }
        // msg never touches the interface.
        Module1::DriveCommand("msg", "still fine");
        QCOMPARE(boxes.size(), std::size_t(1));
    }

    void linuxBackendReportsEveryFailureAsAnErrorCode()
    {
        QTemporaryDir dir;
        const std::string missing = dir.filePath("no-such-drive").toStdString();
        QCOMPARE(ejectTray(missing), ENOENT);
        QCOMPARE(closeTray(missing), ENOENT);
        // /dev/null opens, but it is no CD drive: the ioctls are refused.
        QCOMPARE(ejectTray("/dev/null"), ENOTTY);
        QCOMPARE(closeTray("/dev/null"), ENOTTY);
        // A plain file is not a drive either.
        const std::string file = dir.filePath("file").toStdString();
        std::ofstream(file) << "not a drive";
        QCOMPARE(ejectTray(file), ENOTTY);
        // No drive at all: an error code, nothing thrown.
        QCOMPARE(ejectTray(""), ENODEV);

        LinuxMediaControl atNull("/dev/null");
        QCOMPARE(atNull.send("set cdaudio door open"), ENOTTY);
        QCOMPARE(atNull.send("set cdaudio door closed"), ENOTTY);
        QCOMPARE(atNull.send("play cdaudio"), EINVAL);
    }

    void linuxBackendFindsTheDefaultDrive()
    {
        QTemporaryDir dir;
        const auto touch = [&](const char* name) { std::ofstream(dir.filePath(name).toStdString()); };
        const std::string root = dir.path().toStdString();

        QCOMPARE(findDefaultCdDrive(root), std::string());
        touch("sda");
        touch("srx");
        touch("sr");
        QCOMPARE(findDefaultCdDrive(root), std::string());
        touch("sr10");
        touch("sr2");
        QCOMPARE(findDefaultCdDrive(root), root + "/sr2"); // numeric order, not text order
        touch("sr0");
        QCOMPARE(findDefaultCdDrive(root), root + "/sr0");
        touch("cdrom");
        QCOMPARE(findDefaultCdDrive(root), root + "/cdrom");
        QCOMPARE(findDefaultCdDrive(root + "/missing-directory"), std::string());
    }

    void theRealBackendNeverThrowsWithoutADrive()
    {
        // Whatever this machine has, the platform backend answers with a code.
        Module1::setMediaControl(nullptr);
        LinuxMediaControl platform("/nonexistent/cdrom");
        QVERIFY(platform.send("set cdaudio door open") != 0);
    }
};

QTEST_APPLESS_MAIN(TestDrive)
#include "test_drive.moc"
