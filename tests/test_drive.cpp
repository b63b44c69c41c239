// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drive command dispatcher and the Linux backend, without any window.

#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "drive/mount_table.h"
#include "tests/support/diagnostics_recorder.h"
#include "tests/support/recording_media_control.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vp;

namespace {

using Lines = std::vector<std::string>;

Lines readLines(const std::string& path)
{
    Lines lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// A drive's surroundings made of files: a mount table in mountinfo format, a
// umount(8) stand-in that really takes the most recent entry for its mount
// point out of that table (or fails as told), and an ioctl that only records.
class FakeDriveSystem {
public:
    FakeDriveSystem()
    {
        const std::string dir = dir_.path().toStdString();
        std::ofstream(file("umount")) << "#!/bin/sh\n"
            "dir='" << dir << "'\n"
            "echo \"$1\" >> \"$dir/calls\"\n"
            "env > \"$dir/environment\"\n"
            "ls /proc/$$/fd > \"$dir/fds\"\n"
            "case $(cat \"$dir/mode\") in\n"
            "busy) echo \"umount: $1: target is busy.\" >&2; exit 32 ;;\n"
            "refuse) echo \"umount: $1: must be superuser to unmount.\" >&2; exit 32 ;;\n"
            "ignore) exit 0 ;;\n"
            "esac\n"
            "awk -v t=\"$1\" '{ l[NR] = $0; if ($5 == t) last = NR }"
            " END { for (i = 1; i <= NR; i++) if (i != last) print l[i] }' \"$dir/mountinfo\" > \"$dir/new\"\n"
            "mv \"$dir/new\" \"$dir/mountinfo\"\n";
        QFile::setPermissions(dir_.filePath("umount"), QFile::ReadOwner | QFile::ExeOwner);
        umountAnswers("unmount");
        QDir().mkdir(QString::fromStdString(media));
    }

    std::string file(const char* name) const { return dir_.filePath(name).toStdString(); }
    void umountAnswers(const char* mode) const { std::ofstream(file("mode")) << mode << "\n"; }
    void setTable(const Lines& lines) const
    {
        std::ofstream out(file("mountinfo"));
        for (const auto& line : lines) out << line << "\n";
    }
    Lines table() const { return readLines(file("mountinfo")); }
    Lines umountCalls() const { return readLines(file("calls")); }

    LinuxDriveSystem system()
    {
        return {file("mountinfo"), file("umount"), [this](int, unsigned long request, unsigned long argument) {
                    ioctls.emplace_back(request, argument);
                    return request == CDROM_GET_CAPABILITY ? capabilities : 0;
                }};
    }

    static std::string entry(int id, const char* device, const std::string& target, const char* source = "/dev/sr0")
    {
        return std::to_string(id) + " 20 " + device + " / " + target + " ro,relatime - iso9660 " + source + " ro";
    }

    std::vector<std::pair<unsigned long, unsigned long>> ioctls;
    int capabilities = CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK;

private:
    QTemporaryDir dir_;

public:
    const std::string media = file("media"); // a real directory, as a mount point is
};

constexpr const char* kRootEntry = "20 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw";

// A program that sits in a directory until it is ended.
struct Sleeper {
    explicit Sleeper(const std::string& directory)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
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

    void linuxBackendReportsEveryFailureAsAnErrorCode()
    {
        DiagnosticsRecorder diagnostics;
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

        // One line for each of the nine failures, naming the device and the reason.
        const Lines& lines = diagnostics.lines;
        QCOMPARE(lines.size(), std::size_t(9));
        QCOMPARE(lines[0], missing + ": cannot open the tray: no such device");
        QCOMPARE(lines[1], missing + ": cannot close the tray: no such device");
        QCOMPARE(lines[2], std::string("/dev/null: cannot open the tray: not a CD drive"));
        QCOMPARE(lines[4], file + ": cannot open the tray: not a CD drive");
        QCOMPARE(lines[5], std::string("cannot open the tray: no CD drive found (no /dev/cdrom, no /dev/sr*)"));
        QVERIFY(lines[8].find("play cdaudio") != std::string::npos);
    }

    // A mount belongs to the drive by its device number, whatever the table
    // calls its source and whichever link names the drive.
    void mountTableMatchesByDeviceNumber()
    {
        FakeDriveSystem fake;
        const std::string bound = "/srv/bound dir";
        fake.setTable({kRootEntry, FakeDriveSystem::entry(30, "1:3", fake.media),
                       FakeDriveSystem::entry(31, "1:5", "/media/zero", "/dev/null"),
                       FakeDriveSystem::entry(32, "1:3", "/srv/bound\\040dir"),
                       FakeDriveSystem::entry(33, "1:3", fake.media)});
        const std::string link = fake.file("cdrom");
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QString::fromStdString(link)));
        for (const std::string& device : {std::string("/dev/null"), link}) {
            std::vector<MountEntry> mounts;
            QCOMPARE(mountsOfDevice(device, fake.file("mountinfo"), mounts), 0);
            QCOMPARE(mounts.size(), std::size_t(3)); // the most recent first, stacked ones too
            QCOMPARE(std::make_pair(mounts[0].id, mounts[0].target), std::make_pair(33, fake.media));
            QCOMPARE(std::make_pair(mounts[1].id, mounts[1].target), std::make_pair(32, bound));
            QCOMPARE(std::make_pair(mounts[2].id, mounts[2].target), std::make_pair(30, fake.media));
        }
        std::vector<MountEntry> mounts;
        QCOMPARE(mountsOfDevice("/dev/zero", fake.file("mountinfo"), mounts), 0);
        QCOMPARE(mounts.size(), std::size_t(1));
        QCOMPARE(mounts[0].target, std::string("/media/zero"));
        QCOMPARE(mountsOfDevice(fake.file("mode"), fake.file("mountinfo"), mounts), ENOTBLK);
        QCOMPARE(mountsOfDevice(fake.file("none"), fake.file("mountinfo"), mounts), ENOENT);
        QCOMPARE(mountsOfDevice("/dev/null", fake.file("none"), mounts), ENOENT);
    }

    void openingUnmountsEverythingOfTheDriveFirst()
    {
        FakeDriveSystem fake;
        fake.setTable({kRootEntry, FakeDriveSystem::entry(30, "1:3", fake.media),
                       FakeDriveSystem::entry(31, "1:5", "/media/zero"),
                       FakeDriveSystem::entry(32, "1:3", "/srv/bound"),
                       FakeDriveSystem::entry(33, "1:3", fake.media),
                       FakeDriveSystem::entry(34, "1:3", "/srv/later")});
        const std::string link = fake.file("cdrom");
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QString::fromStdString(link)));
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
        QCOMPARE(fake.table(), (Lines{kRootEntry, FakeDriveSystem::entry(31, "1:5", "/media/zero")}));
        QCOMPARE(fake.ioctls, (std::vector<std::pair<unsigned long, unsigned long>>{{CDROM_LOCKDOOR, 0}, {CDROMEJECT, 0}}));
        QVERIFY(diagnostics.lines.empty());

        const Lines environment = readLines(fake.file("environment"));
        QVERIFY(std::find(environment.begin(), environment.end(), "LC_ALL=C") != environment.end());
        for (const auto& variable : environment) QVERIFY2(variable.rfind("VP_", 0) != 0, variable.c_str());
        const Lines fds = readLines(fake.file("fds"));
        QVERIFY(!fds.empty());
        QVERIFY(std::find(fds.begin(), fds.end(), std::to_string(leaked)) == fds.end());
    }

    // Whatever stops an unmount, the tray stays shut: no ioctl at all, every
    // mount as it was, and one line that says why.
    void aFailedUnmountLeavesTheDriveAlone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("umounts");
        QTest::addColumn<QString>("reason");
        QTest::newRow("busy") << "busy" << EBUSY << 1
            << "the disc is in use: MEDIA could not be unmounted (umount: MEDIA: target is busy.); "
               "it is held by sleep (pid PID); close it and try again";
        QTest::newRow("not allowed") << "refuse" << EPERM << 1
            << "not allowed to unmount MEDIA (umount: MEDIA: must be superuser to unmount.); unmount it "
               "where it was mounted (the file manager, or as root) and try again";
        QTest::newRow("still there") << "ignore" << EBUSY << 1
            << "MEDIA is still mounted after umount said it had unmounted it";
        QTest::newRow("under another mount") << "covered" << EBUSY << 0
            << "the disc's filesystem on MEDIA lies under another one mounted there (/dev/sdb1); unmount that first";
        QTest::newRow("no mount table") << "no table" << ENOENT << 0
            << "cannot read the mount table TABLE (no such file or directory), so the disc may still be mounted";
        QTest::newRow("a line that cannot be read") << "garbled" << EINVAL << 0
            << "cannot read the mount table TABLE (invalid argument), so the disc may still be mounted";
        QTest::newRow("no umount") << "no umount" << ENOENT << 0
            << "cannot run NONE to unmount MEDIA (no such file or directory)";
    }
    void aFailedUnmountLeavesTheDriveAlone()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(int, umounts);
        QFETCH(QString, reason);
        FakeDriveSystem fake;
        Lines table{kRootEntry, FakeDriveSystem::entry(30, "1:3", fake.media)};
        if (fault == QLatin1String("covered")) table.push_back(FakeDriveSystem::entry(40, "8:17", fake.media, "/dev/sdb1"));
        if (fault == QLatin1String("garbled")) table.push_back("41 20 11:0 / no more fields");
        fake.setTable(table);
        LinuxDriveSystem system = fake.system();
        if (fault == QLatin1String("no table")) system.mountTable = fake.file("none");
        if (fault == QLatin1String("no umount")) system.umountProgram = fake.file("none");
        fake.umountAnswers(fault.toLatin1().constData());
        const Sleeper sleeper(fake.media);
        QVERIFY(sleeper.pid > 0);
        DiagnosticsRecorder diagnostics;

        QCOMPARE(ejectTray("/dev/null", system), code);
        QVERIFY(fake.ioctls.empty());
        QCOMPARE(fake.table(), table);
        QCOMPARE(fake.umountCalls().size(), std::size_t(umounts));
        QString expected = QStringLiteral("/dev/null: cannot open the tray: ") + reason;
        expected.replace(QLatin1String("MEDIA"), QString::fromStdString(fake.media))
            .replace(QLatin1String("TABLE"), QString::fromStdString(system.mountTable))
            .replace(QLatin1String("NONE"), QString::fromStdString(fake.file("none")))
            .replace(QLatin1String("PID"), QString::number(sleeper.pid));
        QCOMPARE(diagnostics.lines, Lines{expected.toStdString()});
    }

    void closingNeedsADriveThatCanPullItsTrayIn()
    {
        FakeDriveSystem fake;
        fake.capabilities = CDC_OPEN_TRAY | CDC_LOCK; // a slot-loading drive
        DiagnosticsRecorder diagnostics;
        QCOMPARE(closeTray("/dev/null", fake.system()), ENOSYS);
        QCOMPARE(fake.ioctls, (std::vector<std::pair<unsigned long, unsigned long>>{{CDROM_GET_CAPABILITY, 0}}));
        QCOMPARE(diagnostics.lines, Lines{"/dev/null: cannot close the tray: the drive cannot close its tray "
                                          "(slot-loading and most laptop drives cannot); push it in by hand"});

        fake.capabilities |= CDC_CLOSE_TRAY;
        fake.ioctls.clear();
        QCOMPARE(closeTray("/dev/null", fake.system()), 0);
        QCOMPARE(fake.ioctls, (std::vector<std::pair<unsigned long, unsigned long>>{{CDROM_GET_CAPABILITY, 0},
                                                                                   {CDROMCLOSETRAY, 0}}));
        QCOMPARE(diagnostics.lines.size(), std::size_t(1));
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
