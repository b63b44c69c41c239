// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drive command dispatcher, the command line's tray actions and the Linux
// backend, without any window and without a real drive.

#include "app/argument_text.h"
#include "app/command_line.h"
#include "drive/diagnostics.h"
#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "drive/mount_table.h"
#include "drive/process_use.h"
#include "tests/support/diagnostics_recorder.h"
#include "tests/support/fake_drive_system.h"
#include "tests/support/recording_media_control.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <optional>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vp;
using namespace vp::test;
using namespace std::chrono_literals;

namespace {

using Ioctl = IoctlCalls::value_type;
using Answers = std::map<Ioctl, int>;

// A program that sits in a directory until it is ended.
struct Sleeper {
    explicit Sleeper(const std::string& directory, const std::string& openFile = {})
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        if (!openFile.empty()) posix_spawn_file_actions_addopen(&actions, 3, openFile.c_str(), O_RDONLY, 0);
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        if (::posix_spawnp(&pid, "sleep", &actions, nullptr, argv, environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Wait until it really sits there, not in the directory it started from.
        const std::string cwd = "/proc/" + std::to_string(pid) + "/cwd";
        for (int i = 0; i < 200 && pid > 0; ++i, ::usleep(10000)) {
            char target[4096];
            const ssize_t length = ::readlink(cwd.c_str(), target, sizeof target);
            if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == directory) break;
        }
    }
    ~Sleeper()
    {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    pid_t pid = -1;
};

// SIGCHLD as a launcher may leave it, for as long as this lives: 0 at its
// default, 1 ignored, 2 with children reaped unwaited (SA_NOCLDWAIT).
struct ChildSignalAsLaunched {
    explicit ChildSignalAsLaunched(int how)
    {
        asked.sa_handler = how == 1 ? SIG_IGN : SIG_DFL;
        asked.sa_flags = how == 2 ? SA_NOCLDWAIT : 0;
        ::sigaction(SIGCHLD, &asked, &original);
    }
    ~ChildSignalAsLaunched() { ::sigaction(SIGCHLD, &original, nullptr); }
    bool unchanged() const
    {
        struct sigaction now {};
        ::sigaction(SIGCHLD, nullptr, &now);
        return now.sa_handler == asked.sa_handler && (now.sa_flags & SA_NOCLDWAIT) == asked.sa_flags;
    }
    struct sigaction asked {}, original {};
};

// Lines the expected text names with placeholders, filled in.
std::string filled(QString text, const FakeDriveSystem& fake, const LinuxDriveSystem& system, int pid = 0)
{
    return text.replace(QLatin1String("MEDIA"), QString::fromStdString(fake.media))
        .replace(QLatin1String("NODE"), QString::fromStdString(fake.node))
        .replace(QLatin1String("TABLE"), QString::fromStdString(system.mountTable))
        .replace(QLatin1String("NONE"), QString::fromStdString(fake.file("none")))
        .replace(QLatin1String("PID"), QString::number(pid))
        .toStdString();
}

} // namespace

// Lines of text in a failed comparison, one per line.
template <>
char* QTest::toString(const Lines& lines)
{
    std::string text;
    for (const auto& line : lines) text += "\n    " + line;
    return qstrdup(text.c_str());
}

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

    // --open, --close and --toggle: which way the tray goes, and the exit status.
    void commandLineActionsMoveTheTrayTheirWay_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("tray");
        QTest::addColumn<int>("driveAnswers");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        const int open = int(TrayAction::Open), close = int(TrayAction::Close), toggle = int(TrayAction::Toggle);
        const int opened = int(TrayState::Open), closed = int(TrayState::Closed), unknown = int(TrayState::Unknown);
        QTest::newRow("--open") << open << unknown << 0 << "set cdaudio door open" << 0;
        QTest::newRow("--close") << close << unknown << 0 << "set cdaudio door closed" << 0;
        QTest::newRow("--toggle, tray open") << toggle << opened << 0 << "set cdaudio door closed" << 0;
        QTest::newRow("--toggle, tray closed") << toggle << closed << 0 << "set cdaudio door open" << 0;
        QTest::newRow("--toggle, tray unknown") << toggle << unknown << 0 << "" << 1;
        QTest::newRow("--open, drive refuses") << open << unknown << EIO << "set cdaudio door open" << 1;
    }
    void commandLineActionsMoveTheTrayTheirWay()
    {
        QFETCH(int, action);
        QFETCH(int, tray);
        QFETCH(int, driveAnswers);
        QFETCH(QString, command);
        QFETCH(int, status);
        recorder->result = driveAnswers;
        int asked = 0;
        QCOMPARE(runTrayAction(TrayAction(action), *recorder, [&] { return ++asked, TrayState(tray); }), status);
        QCOMPARE(recorder->commands, command.isEmpty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{command.toStdString()});
        QCOMPARE(asked, action == int(TrayAction::Toggle) ? 1 : 0);
    }

    // The window's buttons move the drive the command line names: the last
    // --device, byte for byte; the window's application is given none of the
    // arguments.
    void theWindowMovesTheLastDeviceNamed()
    {
        char program[] = "vorkula-ponkka", option[] = "--device", first[] = "/dev/sr1", last[] = "--device=/dev/\xffsr";
        char* argv[] = {program, option, first, last, nullptr};
        int argc = 4;
        const CommandLineOutcome outcome = runCommandLine(argc, argv);
        QVERIFY(!outcome.exitStatus);
        QCOMPARE(outcome.devicePath, std::string("/dev/\xffsr"));
        QCOMPARE(argc, 1);
    }

    // Arguments read as text give their very bytes back, valid UTF-8 or not;
    // valid UTF-8 reads as the text it encodes.
    void argumentsKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const char* bytes : {"/dev/cdrom ä €", "\xf0\x9f\x92\xbf" /* U+1F4BF */, "\xf0\x90\x82\x80" /* U+10080 */,
                                  "sr\xff", "\xc3", "a\xe2\x82", "\xc0\xaf" /* overlong */,
                                  "\xed\xa0\x80" /* a surrogate */, "\xf4\x90\x80\x80" /* beyond Unicode */,
                                  "\xed\xb2\x80\xf0\x90\x82"})
            QTest::newRow(QByteArray(bytes).toHex(' ')) << QByteArray(bytes);
    }
    void argumentsKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        const QString text = argumentText(bytes.toStdString());
        QCOMPARE(argumentBytes(text), bytes.toStdString());
        if (QString::fromUtf8(bytes).toUtf8() == bytes) QCOMPARE(text, QString::fromUtf8(bytes));
        else QVERIFY(text.contains(QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes.at(bytes.size() - 1))))));
    }

    // What each command asks of the drive, in turn, and the one line it says
    // when the answer is not the hoped one. Nothing but a CD drive gets more
    // than the check, or has anything unmounted. A refused eject locks the
    // door again only for another program that holds the drive; a positive
    // SCSI status is a refusal too. --toggle asks the drive whether its tray
    // is open.
    void eachCommandAsksTheDriveInTurn_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<IoctlCalls>("ioctls");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("line");
        const QString open = "set cdaudio door open", close = "set cdaudio door closed", state = "tray?";
        const Ioctl capability{CDROM_GET_CAPABILITY, 0}, unlock{CDROM_LOCKDOOR, 0}, eject{CDROMEJECT, 0},
            relock{CDROM_LOCKDOOR, 1}, pull{CDROMCLOSETRAY, 0}, status{CDROM_DRIVE_STATUS, CDSL_CURRENT};
        const int block = S_IFBLK;
        QTest::newRow("open") << open << block << Answers{} << IoctlCalls{capability, unlock, eject} << 0 << "";
        QTest::newRow("close") << close << block << Answers{} << IoctlCalls{capability, pull} << 0 << "";
        QTest::newRow("unknown command") << "play cdaudio" << block << Answers{} << IoctlCalls{} << EINVAL
                                         << "open unknown-command - error=EINVAL says=\"play cdaudio\"";
        QTest::newRow("character device") << open << int(S_IFCHR) << Answers{} << IoctlCalls{} << ENOTBLK
                                          << "open not-a-cd-drive NODE error=ENOTBLK";
        QTest::newRow("regular file") << close << int(S_IFREG) << Answers{} << IoctlCalls{} << ENOTBLK
                                      << "close not-a-cd-drive NODE error=ENOTBLK";
        QTest::newRow("block device, no CD drive") << open << block << Answers{{capability, -ENOTTY}}
            << IoctlCalls{capability} << ENOTTY << "open not-a-cd-drive NODE error=ENOTTY";
        QTest::newRow("a drive the user may not use") << open << block << Answers{{capability, -EACCES}}
            << IoctlCalls{capability} << EACCES << "open permission-denied NODE error=EACCES";
        QTest::newRow("slot-loading drive") << close << block << Answers{{capability, CDC_OPEN_TRAY | CDC_LOCK}}
            << IoctlCalls{capability} << ENOSYS << "close cannot-move-tray NODE error=ENOSYS";
        QTest::newRow("eject refused") << open << block << Answers{{eject, -EBUSY}}
            << IoctlCalls{capability, unlock, eject} << EBUSY << "open drive-in-use NODE error=EBUSY";
        QTest::newRow("SCSI status") << open << block << Answers{{eject, 2}} << IoctlCalls{capability, unlock, eject}
                                     << EIO << "open drive-refused NODE error=EIO";
        QTest::newRow("SCSI status, drive held by another program") << open << block << Answers{{eject, 2}}
            << IoctlCalls{capability, unlock, eject, relock} << EIO << "open drive-refused NODE error=EIO door=locked-again";
        QTest::newRow("door not locked again, drive held by another program") << open << block
            << Answers{{eject, -EIO}, {relock, -EIO}} << IoctlCalls{capability, unlock, eject, relock} << EIO
            << "open drive-refused NODE error=EIO relock=5";
        QTest::newRow("door never unlocked") << open << block << Answers{{unlock, -EBUSY}, {eject, 2}}
            << IoctlCalls{capability, unlock, eject} << EIO << "open drive-refused NODE error=EIO unlock=16";
        QTest::newRow("tray open") << state << block << Answers{{status, CDS_TRAY_OPEN}}
                                   << IoctlCalls{capability, status} << int(TrayState::Open) << "";
        QTest::newRow("tray closed") << state << block << Answers{{status, CDS_DISC_OK}}
                                     << IoctlCalls{capability, status} << int(TrayState::Closed) << "";
        QTest::newRow("tray unknown") << state << block << Answers{{status, -EIO}} << IoctlCalls{capability, status}
            << int(TrayState::Unknown) << "state cannot-read-state NODE error=EIO";
        QTest::newRow("tray of no CD drive") << state << int(S_IFCHR) << Answers{} << IoctlCalls{}
            << int(TrayState::Unknown) << "state not-a-cd-drive NODE error=ENOTBLK";
    }
    void eachCommandAsksTheDriveInTurn()
    {
        QFETCH(QString, command);
        QFETCH(int, kind);
        QFETCH(Answers, answers);
        QFETCH(IoctlCalls, ioctls);
        QFETCH(int, result);
        QFETCH(QString, line);
        FakeDriveSystem fake;
        fake.kind = mode_t(kind);
        fake.answers = answers;
        const Lines table{kRootEntry, FakeDriveSystem::entry(30, "11:0", fake.media)};
        fake.setTable(table);
        std::optional<Sleeper> held;
        if (QByteArray(QTest::currentDataTag()).contains("held by another")) held.emplace(fake.media, fake.node);
        DiagnosticsRecorder diagnostics;
        QCOMPARE(command == QLatin1String("tray?") ? int(trayState(fake.node, fake.system()))
                                                  : LinuxMediaControl(fake.node, fake.system()).send(command.toStdString()),
                 result);
        QCOMPARE(fake.ioctls, ioctls);
        // Only an eject that got past the check unmounts first.
        const bool unlocked = std::find(ioctls.begin(), ioctls.end(), Ioctl{CDROM_LOCKDOOR, 0}) != ioctls.end();
        QCOMPARE(fake.table(), unlocked ? Lines{kRootEntry} : table);
        QCOMPARE(fake.umountCalls().size(), std::size_t(unlocked));
        QCOMPARE(diagnostics.facts(), line.isEmpty() ? Lines{} : Lines{filled(line, fake, fake.system())});
    }

    // A mount belongs to the drive by its device number, whatever the table
    // calls its source; the most recent comes first, stacked ones too.
    void mountTableMatchesByDeviceNumber()
    {
        FakeDriveSystem fake;
        fake.setTable({kRootEntry, FakeDriveSystem::entry(30, "11:0", fake.media),
                       FakeDriveSystem::entry(31, "11:1", "/media/other", "/dev/sr1"),
                       FakeDriveSystem::entry(32, "11:0", "/srv/bound\\040dir", "/dev/cdrom"),
                       FakeDriveSystem::entry(33, "11:0", fake.media)});
        std::vector<MountEntry> entries;
        QCOMPARE(readMountTable(fake.file("mountinfo"), entries), 0);
        const auto mounts = mountsOf(entries, makedev(11, 0));
        QCOMPARE(mounts.size(), std::size_t(3));
        QCOMPARE(std::make_pair(mounts[0].id, mounts[0].target), std::make_pair(33, fake.media));
        QCOMPARE(std::make_pair(mounts[1].id, mounts[1].target), std::make_pair(32, std::string("/srv/bound dir")));
        QCOMPARE(std::make_pair(mounts[2].id, mounts[2].target), std::make_pair(30, fake.media));
        QCOMPARE(readMountTable(fake.file("none"), entries), ENOENT);
    }

    // Everything of the drive is unmounted, the most recent mount first,
    // before the door is unlocked and the tray ejected; umount gets neither
    // this process's descriptors nor its environment. One that lost a race
    // to another unmount ("not mounted") has still done its part.
    void openingUnmountsEverythingOfTheDriveFirst_data()
    {
        QTest::addColumn<QString>("umount");
        QTest::newRow("as usual") << "unmount";
        QTest::newRow("another unmount was quicker") << "gone";
    }
    void openingUnmountsEverythingOfTheDriveFirst()
    {
        QFETCH(QString, umount);
        FakeDriveSystem fake;
        fake.umountAnswers(umount.toStdString());
        fake.setTable({kRootEntry, FakeDriveSystem::entry(30, "11:0", fake.media),
                       FakeDriveSystem::entry(31, "11:1", "/media/other"),
                       FakeDriveSystem::entry(32, "11:0", "/srv/bound"),
                       FakeDriveSystem::entry(33, "11:0", fake.media),
                       FakeDriveSystem::entry(34, "11:0", "/srv/later")});
        const std::string link = fake.file("cdrom");
        QCOMPARE(::symlink(fake.node.c_str(), link.c_str()), 0);
        // Neither this descriptor nor this variable may reach umount.
        const int leaked = ::fcntl(STDIN_FILENO, F_DUPFD, 50);
        QVERIFY(leaked >= 50);
        qputenv("VP_NOT_FOR_UMOUNT", "1");
        DiagnosticsRecorder diagnostics;

        const int code = ejectTray(link, fake.system());
        ::close(leaked);
        qunsetenv("VP_NOT_FOR_UMOUNT");
        QCOMPARE(code, 0);
        QCOMPARE(fake.umountCalls(), (Lines{"/srv/later", fake.media, "/srv/bound", fake.media}));
        QCOMPARE(fake.table(), (Lines{kRootEntry, FakeDriveSystem::entry(31, "11:1", "/media/other")}));
        QCOMPARE(fake.ioctls, (IoctlCalls{{CDROM_GET_CAPABILITY, 0}, {CDROM_LOCKDOOR, 0}, {CDROMEJECT, 0}}));
        QCOMPARE(diagnostics.lines, Lines{});
        // UDisks waits for udev to see an unmount, and udev puts off a node
        // that somebody holds exclusively.
        QCOMPARE(readLines(fake.file("node")), (Lines{"free", "free", "free", "free"}));

        const Lines environment = readLines(fake.file("environment"));
        QVERIFY(std::find(environment.begin(), environment.end(), "LC_ALL=C") != environment.end());
        for (const auto& variable : environment) QVERIFY2(variable.rfind("VP_", 0) != 0, variable.c_str());
        const Lines fds = readLines(fake.file("fds"));
        QVERIFY(!fds.empty());
        QVERIFY(std::find(fds.begin(), fds.end(), std::to_string(leaked)) == fds.end());
    }

    // Whatever stops an unmount, the tray stays shut: no ioctl after the
    // check, every mount as it was, no umount left behind, and one line that
    // says why. What umount answered is read whatever the program was
    // started with for SIGCHLD, which it has again afterwards.
    void aFailedUnmountLeavesTheDriveAlone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("umounts");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("sigchld");
        for (const auto& [row, sigchld] : {std::pair("still there", 0), std::pair("still there, SIGCHLD ignored", 1),
                                           std::pair("still there, SIGCHLD with SA_NOCLDWAIT", 2)})
            QTest::newRow(row) << "ignore" << EBUSY << 1 << "unmount-ineffective NODE error=EBUSY mount=MEDIA"
                               << sigchld;
        QTest::newRow("busy") << "say target is busy." << EBUSY << 1
            << "disc-in-use NODE error=EBUSY mount=MEDIA says=\"umount: MEDIA: target is busy.\" holders=sleep(PID)"
            << 0;
        for (const char* refusal : {"must be superuser to unmount.", "Operation not permitted.", "Permission denied."})
            QTest::newRow(refusal) << QStringLiteral("say ") + refusal << EPERM << 1
                << QStringLiteral("unmount-not-allowed NODE error=EPERM mount=MEDIA says=\"umount: MEDIA: %1\"")
                       .arg(refusal) << 0;
        QTest::newRow("no answer") << "hang" << ETIMEDOUT << 1
            << "umount-timed-out NODE error=ETIMEDOUT mount=MEDIA deadline=300ms pid=UMOUNT" << 0;
        QTest::newRow("under another mount") << "covered" << EBUSY << 0
            << "mount-covered NODE error=EBUSY mount=MEDIA over=/dev/sdb1" << 0;
        QTest::newRow("no mount table") << "no table" << ENOENT << 0
            << "cannot-read-mount-table NODE error=ENOENT table=TABLE" << 0;
        QTest::newRow("a line that cannot be read") << "garbled" << EINVAL << 0
            << "cannot-read-mount-table NODE error=EINVAL table=TABLE" << 0;
        QTest::newRow("no umount") << "no umount" << ENOENT << 0
            << "cannot-run-umount NODE error=ENOENT mount=MEDIA program=NONE" << 0;
    }
    void aFailedUnmountLeavesTheDriveAlone()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(int, umounts);
        QFETCH(QString, reason);
        QFETCH(int, sigchld);
        FakeDriveSystem fake;
        Lines table{kRootEntry, FakeDriveSystem::entry(30, "11:0", fake.media)};
        if (fault == QLatin1String("covered")) table.push_back(FakeDriveSystem::entry(40, "8:17", fake.media, "/dev/sdb1"));
        if (fault == QLatin1String("garbled")) table.push_back("41 20 11:0 / no more fields");
        fake.setTable(table);
        LinuxDriveSystem system = fake.system();
        system.umountDeadline = 300ms;
        if (fault == QLatin1String("no table")) system.mountTable = fake.file("none");
        if (fault == QLatin1String("no umount")) system.umountProgram = fake.file("none");
        fake.umountAnswers(fault.toStdString());
        const Sleeper sleeper(fake.media);
        QVERIFY(sleeper.pid > 0);
        DiagnosticsRecorder diagnostics;
        // What the drive layer says is under way, seen from another thread.
        std::atomic<bool> done{false};
        DriveActivity underWay;
        std::thread watcher([&] {
            for (; !done; std::this_thread::sleep_for(2ms))
                if (const DriveActivity now = driveActivity(); !now.empty()) underWay = now;
        });
        QElapsedTimer clock;
        clock.start();
        const ChildSignalAsLaunched launched(sigchld);

        const int result = ejectTray(fake.node, system);
        done = true;
        watcher.join();
        QVERIFY(launched.unchanged());
        QCOMPARE(result, code);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(fake.ioctls, (IoctlCalls{{CDROM_GET_CAPABILITY, 0}}));
        QCOMPARE(fake.table(), table);
        QCOMPARE(fake.umountCalls().size(), std::size_t(umounts));
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), 0); // the sleeper runs; no umount is left, dead or alive
        reason.replace("UMOUNT", QString::number(underWay.pid));
        QCOMPARE(diagnostics.facts(), Lines{filled("open " + reason, fake, system, sleeper.pid)});
        if (fault == QLatin1String("hang")) {
            QCOMPARE(underWay.mountPoint, fake.media);
            // What umount started ended with it (left to init, it may not be reaped yet).
            const Lines stat = readLines("/proc/" + readLines(fake.file("helper")).at(0) + "/stat");
            QVERIFY2(stat.empty() || stat[0].substr(stat[0].rfind(')') + 2, 1) == "Z", stat[0].c_str());
        }
        QVERIFY(driveActivity().empty());
    }

    // One tray command at a time on a drive, from any program: a command
    // finds the drive's lock taken and is dropped at once, unmounting
    // nothing. The system's own look at a drive (a shared lock) is waited
    // for, a little; a disc mounted again meanwhile keeps the door shut.
    void oneTrayCommandAtATime_data()
    {
        QTest::addColumn<int>("lock");
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<bool>("remount");
        QTest::addColumn<int>("umounts");
        QTest::addColumn<QString>("failure");
        QTest::newRow("another tray command") << 0 << 10000 << false << 0 << "command-running NODE error=EBUSY";
        QTest::newRow("a program keeps the drive") << LOCK_EX << 10000 << false << 0
                                                   << "held-exclusively NODE error=EBUSY";
        QTest::newRow("the system looks at the drive") << LOCK_SH << 150 << false << 1 << "";
        QTest::newRow("the system keeps looking") << LOCK_SH << 10000 << false << 1 << "still-examined NODE error=EBUSY";
        QTest::newRow("mounted again while the system looks") << LOCK_SH << 150 << true << 1
                                                              << "remounted NODE error=EBUSY mount=MEDIA";
    }
    void oneTrayCommandAtATime()
    {
        QFETCH(int, lock);
        QFETCH(int, heldMs);
        QFETCH(bool, remount);
        QFETCH(int, umounts);
        QFETCH(QString, failure);
        FakeDriveSystem fake;
        const Lines table{kRootEntry, FakeDriveSystem::entry(30, "11:0", fake.media)};
        fake.setTable(table);
        LinuxDriveSystem system = fake.system();
        system.examinationWait = 1000ms;
        // Another command is another open file description of the node.
        std::optional<CdDrive> otherCommand;
        if (lock == 0) otherCommand.emplace(fake.node, system);
        const int holder = ::open(fake.node.c_str(), O_RDONLY | O_CLOEXEC);
        if (lock != 0) QCOMPARE(::flock(holder, lock | LOCK_NB), 0);
        std::thread release([&] {
            if (heldMs > 1000) return; // held until the end
            std::this_thread::sleep_for(std::chrono::milliseconds(heldMs));
            for (int i = 0; remount && i < 100 && fake.umountCalls().empty(); ++i) std::this_thread::sleep_for(10ms);
            if (remount) fake.setTable(table);
            ::flock(holder, LOCK_UN);
        });
        DiagnosticsRecorder diagnostics;
        QElapsedTimer clock;
        clock.start();
        const int result = ejectTray(fake.node, system);
        const qint64 took = clock.elapsed();
        release.join();
        QCOMPARE(result, failure.isEmpty() ? 0 : EBUSY);
        QVERIFY2(took < (lock == LOCK_SH ? 2000 : 500), qPrintable(QString::number(took)));
        QCOMPARE(fake.umountCalls().size(), std::size_t(umounts));
        QCOMPARE(std::count(fake.ioctls.begin(), fake.ioctls.end(), Ioctl{CDROM_LOCKDOOR, 0}), failure.isEmpty() ? 1 : 0);
        QCOMPARE(diagnostics.facts(), failure.isEmpty() ? Lines{} : Lines{filled("open " + failure, fake, system)});
        // The other command's lock ends with it; a program keeping the drive keeps its tray shut.
        otherCommand.reset();
        if (lock == LOCK_SH) ::flock(holder, LOCK_UN);
        QCOMPARE(closeTray(fake.node, system), lock == LOCK_EX ? EBUSY : 0);
        ::close(holder);
        QCOMPARE(std::count(fake.ioctls.begin(), fake.ioctls.end(), Ioctl{CDROMCLOSETRAY, 0}), lock == LOCK_EX ? 0 : 1);
    }

    // Who holds a mount point, from /proc: the working directory, root,
    // program and open files of every process but this one, at the path or
    // below it, never beside it.
    void processesUsingAPathAreFound()
    {
        QTemporaryDir proc;
        const auto process = [&](const std::string& pid, const char* name,
                                 const std::vector<std::pair<std::string, std::string>>& links) {
            const std::string base = proc.path().toStdString() + "/" + pid;
            QDir().mkpath(QString::fromStdString(base + "/fd"));
            std::ofstream(base + "/comm") << name << "\n";
            for (const auto& [link, target] : links) QCOMPARE(::symlink(target.c_str(), (base + "/" + link).c_str()), 0);
        };
        process(std::to_string(::getpid()), "self", {{"cwd", "/media/cd"}});
        process("100", "beside", {{"cwd", "/media/cd2"}, {"fd/3", "/media/cd2/file"}});
        process("101", "reader", {{"cwd", "/"}, {"fd/0", "/dev/null"}, {"fd/7", "/media/cd/file"}});
        process("102", "player", {{"exe", "/media/cd/bin/play"}});
        process("103", "jail", {{"root", "/media/cd"}});
        process("104", "shell", {{"cwd", "/media/cd/sub"}});
        process("105", "odd", {{"fd/x", "/media/cd"}});
        process("x6", "nobody", {{"cwd", "/media/cd"}});
        auto found = processesUsing("/media/cd", 5000ms, proc.path().toStdString());
        std::sort(found.begin(), found.end(), [](const ProcessUse& a, const ProcessUse& b) { return a.pid < b.pid; });
        found.push_back({107, "late"});
        DriveFailure inUse;
        inUse.kind = FailureKind::DiscInUse;
        inUse.holders = found;
        QVERIFY(failureLine(inUse).ends_with(
            "held by reader (pid 101), player (pid 102), jail (pid 103), shell (pid 104) and 1 more; close them and try again"));
    }

    // Device paths, mount points and program names come from outside: the
    // line that names them is printable and one line.
    void diagnosticLinesArePrintable_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("escape sequence") << QByteArray("\x1b]0;owned\a\x1b[31m!") << QByteArray("\\x1b]0;owned\\x07\\x1b[31m!");
        QTest::newRow("line breaks") << QByteArray("a\nb\r\tc") << QByteArray("a\\x0ab\\x0d\\x09c");
        QTest::newRow("DEL and C1") << QByteArray("\x7f\xc2\x85\xc2\x9b") << QByteArray("\\x7f\\xc2\\x85\\xc2\\x9b");
        QTest::newRow("C1's ends") << QByteArray("\xc2\x80\xc2\x9f\xc2\xa0") << QByteArray("\\xc2\\x80\\xc2\\x9f\xc2\xa0");
        QTest::newRow("not UTF-8") << QByteArray("\xff\xc0\xaf\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82")
                                   << QByteArray("\\xff\\xc0\\xaf\\xe0\\x80\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\xe2\\x82");
        QTest::newRow("backslash") << QByteArray("a\\x41") << QByteArray("a\\\\x41");
        QTest::newRow("letters") << QByteArray("/media/käyttäjä/LEVY €\xf0\x9f\x92\xbf") << QByteArray("/media/käyttäjä/LEVY €\xf0\x9f\x92\xbf");
    }
    void diagnosticLinesArePrintable()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, line);
        QCOMPARE(printableLine(text.toStdString()), line.toStdString());
        // The same on its way from a tray command.
        DiagnosticsRecorder diagnostics;
        QTemporaryDir dir;
        QCOMPARE(ejectTray(dir.path().toStdString() + "/" + text.toStdString()), ENOENT);
        QCOMPARE(diagnostics.rendered().back(), dir.path().toStdString() + "/" + line.toStdString() + ": cannot open the tray: no such device");
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
};

QTEST_APPLESS_MAIN(TestDrive)
#include "test_drive.moc"
