// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tray click cost: how long the program takes from a click on "&Avaa" to the
// eject system call, and how long the whole click takes, against the same
// system calls made bare. The real main window is built as the program builds
// it and clicked with real mouse events; the real Linux backend does the real
// open(), ioctl() and close(), pointed at a device that cannot move (by
// default /dev/null, which answers the drive's ioctls with ENOTTY), so the
// calls cost what they cost but nothing moves.
//
//   vp-bench-tray-click [clicks] [device]
//
// Adverts are switched off ("Ota mainokset puis!" ticked), as a modal box
// would time the user, not the program.

#include "app/wiring.h"
#include "drive/drive_result.h"
#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "ui/main/fm_ponkka.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

long long nowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// The real backend, with the moments it was entered and left.
class TimedBackend : public vp::MediaControl {
public:
    explicit TimedBackend(std::string device) : backend_(std::move(device)) {}
    int send(const std::string& command) override
    {
        entered = nowNs();
        const int code = backend_.send(command);
        left = nowNs();
        return code;
    }
    long long entered = 0;
    long long left = 0;

private:
    vp::LinuxMediaControl backend_;
};

struct Stats {
    double median, p90, mean;
};

Stats stats(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us) sum += v;
    return {us[us.size() / 2], us[us.size() * 9 / 10], sum / us.size()};
}

void row(const char* what, const Stats& s)
{
    std::printf("| %-44s | %9.1f | %9.1f | %9.1f |\n", what, s.median, s.p90, s.mean);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int clicks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const std::string device = argc > 2 ? argv[2] : "/dev/null";

    vp::prepareApplication(application);
    vp::connectDriveLayer(device);
    // A drive that moves says nothing; the line each refused click on a
    // stand-in device would write is not what a user pays for.
    vp::setFailureSink(nullptr);
    auto backend = std::make_shared<TimedBackend>(device);
    vp::useDriveBackend(backend);

    vp::FmPonkka window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    for (const char* box : {"Check1", "Check2", "Check3"})
        window.findChild<QAbstractButton*>(QLatin1String(box))->setChecked(true);
    auto* open = window.findChild<QWidget*>(QStringLiteral("CmdPonkka"));

    std::vector<double> toCall, ownWork, wholeClick, inBackend, bare, lookup;
    for (int i = 0; i < clicks; ++i) {
        // A few warm-up clicks are not counted.
        const long long start = nowNs();
        QTest::mouseClick(open, Qt::LeftButton);
        const long long end = nowNs();
        // Let the window repaint its count label between clicks, untimed.
        QCoreApplication::processEvents();
        if (i < 10) continue;
        toCall.push_back((backend->entered - start) / 1e3);
        inBackend.push_back((backend->left - backend->entered) / 1e3);
        ownWork.push_back(((backend->entered - start) + (end - backend->left)) / 1e3);
        wholeClick.push_back((end - start) / 1e3);
    }
    if (vp::Module1::OpenCount != clicks) {
        std::fprintf(stderr, "tray click: %d clicks counted, expected %d\n", int(vp::Module1::OpenCount), clicks);
        return 1;
    }

    // The floor: the same system calls with nothing around them.
    for (int i = 0; i < clicks; ++i) {
        const long long start = nowNs();
        const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            (void)::ioctl(fd, CDROM_LOCKDOOR, 0);
            (void)::ioctl(fd, CDROMEJECT, 0);
            ::close(fd);
        }
        bare.push_back((nowNs() - start) / 1e3);
    }
    // Without a device path the program looks up the default drive in /dev
    // afresh for every command; that lookup is the program's own work too.
    for (int i = 0; i < clicks; ++i) {
        const long long start = nowNs();
        (void)vp::findDefaultCdDrive("/dev");
        lookup.push_back((nowNs() - start) / 1e3);
    }

    const Stats sToCall = stats(toCall), sOwn = stats(ownWork), sWhole = stats(wholeClick),
                sBackend = stats(inBackend), sBare = stats(bare), sLookup = stats(lookup);
    std::printf("Tray click cost, %d clicks on \"&Avaa\", device %s (microseconds)\n\n", clicks - 10, device.c_str());
    std::printf("| %-44s | %9s | %9s | %9s |\n", "", "median", "p90", "mean");
    std::printf("|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str(), std::string(11, '-').c_str());
    row("click event to the backend's first call", sToCall);
    row("backend: open, unlock, eject, close", sBackend);
    row("bare system calls (floor)", sBare);
    row("whole click", sWhole);
    row("program's own work (whole click - backend)", sOwn);
    row("default-drive lookup in /dev, per command", sLookup);
    std::printf("\nratio whole click / bare system calls: %.2f\n", sWhole.median / sBare.median);
    std::printf("own work incl. the default-drive lookup: %.1f us median (goal: under 1000 us)\n",
                sOwn.median + sLookup.median);
    return 0;
}
