// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux backend against the faults a real machine can hand it, each with
// a real file descriptor or a real failed open(): no device node, nodes that
// are not CD drives, a node the user may not open, and a device that is busy.
// Each fault must come back as an error code and one line that says why,
// never as an exception or a window, and a click on the real main window must still show the advert,
// count the action and mark the tray state.
//
// Two faults exist only for an unprivileged user: root opens a mode-000 node
// and a terminal in exclusive mode without complaint. When the test runs as
// root it runs those cases again in a copy of itself that has dropped to the
// user "nobody"; when that is not possible they are skipped and say so.

#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "tests/support/diagnostics_recorder.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace vp;
using namespace vp::test;

namespace {

// Set in the copy of this test that runs as "nobody".
constexpr const char* kUnprivilegedCopy = "VP_FAULTS_UNPRIVILEGED_COPY";

// The real backend, with every code it hands back kept for the test to see.
class ObservedLinuxBackend : public MediaControl {
public:
    explicit ObservedLinuxBackend(std::string path) : backend_(std::move(path)) {}
    int send(const std::string& command) override
    {
        const int code = backend_.send(command);
        codes.push_back(code);
        return code;
    }
    std::vector<int> codes;

private:
    LinuxMediaControl backend_;
};

// A file descriptor closed on scope exit.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

class TestDriveFaults : public QObject, private MainWindowFixture {
    Q_OBJECT

    // Opens and then closes the tray through the real main window, with the
    // backend pointed at `path`; checks that every click went all the way
    // through despite the fault, that the backend answered `expected` every
    // time, and that each click left one diagnostic line naming the device.
    void clickThroughTheWindow(const std::string& path, int expected)
    {
        DiagnosticsRecorder diagnostics;
        auto backend = std::make_shared<ObservedLinuxBackend>(path);
        useDriveBackend(backend);
        tickGate();
        click("CmdPonkka");
        click("CmdSulje");
        click("CmdPonkka");

        QCOMPARE(backend->codes, (std::vector<int>{expected, expected, expected}));
        QCOMPARE(boxes.size(), std::size_t(3));
        QCOMPARE(boxes[0].text, kOpenAdvert);
        QCOMPARE(boxes[1].text, kCloseAdvert);
        QCOMPARE(boxes[2].text, kOpenAdvert);
        QCOMPARE(Module1::OpenCount, std::int16_t(2));
        QCOMPARE(Module1::CloseCount, std::int16_t(1));
        QCOMPARE(label("LblPonkka"), QStringLiteral("2"));
        QCOMPARE(label("LblSulku"), QStringLiteral("1"));
        QVERIFY(child<QRadioButton>("Option5")->isChecked());
        QVERIFY(!child<QRadioButton>("Option6")->isChecked());
        QCOMPARE(diagnostics.rendered().size(), std::size_t(3));
        for (const std::string& line : diagnostics.rendered()) QVERIFY2(line.rfind(path + ": cannot ", 0) == 0, line.c_str());
    }

    static bool isRoot() { return ::geteuid() == 0; }

    // Runs one test function of this program again as "nobody" and passes or
    // fails with it. Answers false (after QSKIP) when that cannot be done.
    void runAsNobody(const char* testFunction)
    {
        if (qEnvironmentVariableIsSet(kUnprivilegedCopy))
            QFAIL("the unprivileged copy is still root");
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody)
            QSKIP("running as root and there is no user \"nobody\" to drop to; this fault needs an unprivileged user");
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;

        // The build tree may sit where "nobody" cannot reach (a checkout under
        // /root, say), so the copy runs from a world-readable folder of its own.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString program = folder.filePath(QStringLiteral("test_drive_faults"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        const auto readAndRun = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder.path(), readAndRun));
        QVERIFY(QFile::setPermissions(program, readAndRun));

        QProcess copy;
        copy.setProgram(program);
        copy.setArguments({QString::fromLatin1(testFunction)});
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kUnprivilegedCopy), QStringLiteral("1"));
        // Home, run-time and temporary folder of the copy's own, inside the
        // folder, so that nothing it or Qt makes is left behind in /tmp.
        const QString home = folder.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkdir(home));
        QCOMPARE(::chown(QFile::encodeName(home).constData(), uid, gid), 0);
        QVERIFY(QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            environment.insert(QString::fromLatin1(name), home);
        // Under the sanitizers the leak suppressions sit in the source tree,
        // which "nobody" may not be able to read either: they travel along.
        QString lsanOptions = environment.value(QStringLiteral("LSAN_OPTIONS"));
        static const QRegularExpression suppressions(QStringLiteral("suppressions=([^:]+)"));
        if (const auto match = suppressions.match(lsanOptions); match.hasMatch()) {
            const QString copied = folder.filePath(QStringLiteral("lsan.supp"));
            QVERIFY(QFile::copy(match.captured(1), copied));
            QVERIFY(QFile::setPermissions(copied, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            lsanOptions.replace(match.capturedStart(1), match.capturedLength(1), copied);
            environment.insert(QStringLiteral("LSAN_OPTIONS"), lsanOptions);
        }
        copy.setProcessEnvironment(environment);
        copy.setWorkingDirectory(home);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.setChildProcessModifier([uid, gid] {
            // Exit status 77 tells the parent that privileges could not be dropped.
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(77);
        });
        copy.start();
        QVERIFY2(copy.waitForStarted(), qPrintable(QStringLiteral("the unprivileged copy did not start: ") + copy.errorString()));
        QVERIFY2(copy.waitForFinished(120000), "the unprivileged copy did not finish");
        const QByteArray output = copy.readAll();
        if (copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 77)
            QSKIP("running as root and setuid to \"nobody\" was refused; this fault needs an unprivileged user");
        if (output.contains("SKIP   :")) QSKIP(qPrintable(QStringLiteral("the unprivileged copy skipped:\n") + QString::fromUtf8(output)));
        QVERIFY2(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0, output.constData());
        // The copy must have run the function, not an empty selection.
        QVERIFY2(output.contains(QByteArray("PASS   : TestDriveFaults::") + testFunction), output.constData());
    }

private slots:
    // A test pointed at a real drive must never move it: each case starts
    // with a recording drive and names its own node.
    void initTestCase() { prepareProgram(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void noDeviceNode()
    {
        QTemporaryDir dir;
        const std::string missing = dir.filePath(QStringLiteral("sr0")).toStdString();
        {
            DiagnosticsRecorder diagnostics;
            QCOMPARE(ejectTray(missing), ENOENT);
            QCOMPARE(closeTray(missing), ENOENT);
            // No drive found at all: the default-drive lookup comes back empty.
            QCOMPARE(findDefaultCdDrive(dir.path().toStdString()), std::string());
            QCOMPARE(ejectTray(std::string()), ENODEV);
            QCOMPARE(diagnostics.rendered(), (std::vector<std::string>{
                missing + ": cannot open the tray: no such device", missing + ": cannot close the tray: no such device",
                "cannot open the tray: no CD drive found (no /dev/cdrom, no /dev/sr*)"}));
        }
        clickThroughTheWindow(missing, ENOENT);
    }

    // Nodes that open but are no block device get no ioctl at all; a socket
    // node cannot even be opened.
    void nodesThatAreNotCdDrives_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("reason");
        const QString noDrive = QStringLiteral("not a CD drive");
        QTest::newRow("character device /dev/null") << "null" << ENOTBLK << noDrive;
        QTest::newRow("character device /dev/zero") << "zero" << ENOTBLK << noDrive;
        QTest::newRow("regular file") << "file" << ENOTBLK << noDrive;
        QTest::newRow("directory") << "directory" << ENOTBLK << noDrive;
        QTest::newRow("named pipe") << "fifo" << ENOTBLK << noDrive;
        QTest::newRow("socket") << "socket" << ENXIO << "no drive answers at this device node (unplugged?)";
    }
    void nodesThatAreNotCdDrives()
    {
        QFETCH(QString, kind);
        QFETCH(int, expected);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        std::string path = dir.filePath(kind).toStdString();
        Fd listener;
        if (kind == QLatin1String("null") || kind == QLatin1String("zero")) {
            path = "/dev/" + kind.toStdString();
        } else if (kind == QLatin1String("file")) {
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a drive");
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir(QString::fromStdString(path)));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        } else if (kind == QLatin1String("socket")) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (path.size() >= sizeof address.sun_path) QSKIP("temporary directory path too long for a socket");
            std::strcpy(address.sun_path, path.c_str());
            listener.fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(listener.fd >= 0);
            QCOMPARE(::bind(listener.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        }
        {
            DiagnosticsRecorder diagnostics;
            QCOMPARE(ejectTray(path), expected);
            QCOMPARE(closeTray(path), expected);
            QCOMPARE(diagnostics.rendered(), (std::vector<std::string>{path + ": cannot open the tray: " + reason.toStdString(),
                                                                  path + ": cannot close the tray: " + reason.toStdString()}));
        }
        clickThroughTheWindow(path, expected);
    }

    // A node with no permissions at all. Root's override of file permissions
    // would open it anyway, so as root this runs as "nobody".
    void permissionDenied()
    {
        if (isRoot()) {
            runAsNobody("permissionDenied");
            return;
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string path = dir.filePath(QStringLiteral("sr0")).toStdString();
        Fd node{::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0000)};
        QVERIFY(node.fd >= 0);
        QCOMPARE(::chmod(path.c_str(), 0000), 0);
        QCOMPARE(ejectTray(path), EACCES);
        QCOMPARE(closeTray(path), EACCES);
        clickThroughTheWindow(path, EACCES);
    }

    // A device that answers EBUSY. Without a real drive this is a terminal in
    // exclusive mode (TIOCEXCL): the kernel refuses any further open() of it
    // with EBUSY to anyone without CAP_SYS_ADMIN, so as root this too runs as
    // "nobody". A real drive answers EBUSY from the eject ioctl instead (when
    // its door is held by a mount); either way the backend hands the code
    // back and nothing else happens.
    void busyDevice()
    {
        if (isRoot()) {
            runAsNobody("busyDevice");
            return;
        }
        Fd master{::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)};
        if (master.fd < 0) QSKIP("no pseudo-terminals on this machine to make a busy device from");
        QCOMPARE(::grantpt(master.fd), 0);
        QCOMPARE(::unlockpt(master.fd), 0);
        const std::string path = ::ptsname(master.fd);
        Fd held{::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)};
        QVERIFY(held.fd >= 0);
        QCOMPARE(::ioctl(held.fd, TIOCEXCL), 0);

        QCOMPARE(ejectTray(path), EBUSY);
        QCOMPARE(closeTray(path), EBUSY);
        clickThroughTheWindow(path, EBUSY);

        // Out of exclusive mode the same node opens, and is no CD drive.
        QCOMPARE(::ioctl(held.fd, TIOCNXCL), 0);
        QVERIFY(ejectTray(path) != EBUSY);
    }
};

QTEST_MAIN(TestDriveFaults)
#include "test_drive_faults.moc"
