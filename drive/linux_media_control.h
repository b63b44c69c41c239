// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux backend: the "cdaudio" device is the system's default CD drive, moved
// with the kernel's CD-ROM ioctls, the same calls eject(1) makes. Before the
// tray opens, every filesystem mounted from the drive is unmounted; the tray
// never opens under a mounted one.

#include "drive/media_control.h"

#include <functional>
#include <string>

namespace vp {

// The default CD drive: /dev/cdrom if it exists, else the first /dev/sr*
// (in numeric order). Empty when there is none.
std::string findDefaultCdDrive(const std::string& deviceDirectory = "/dev");

// What the backend uses of the system besides the drive's node. The program
// keeps the defaults; tests point each part elsewhere.
struct LinuxDriveSystem {
    // The mount table, in mountinfo format.
    std::string mountTable = "/proc/self/mountinfo";
    // The umount(8) to run; empty means the system's own.
    std::string umountProgram;
    // The ioctl call on the opened drive; empty means the kernel's.
    std::function<int(int fd, unsigned long request, unsigned long argument)> ioctl;
};

// Each returns 0 on success or an errno value, and never throws. A failure
// also hands exactly one line to the diagnostics sink (drive/diagnostics.h)
// naming the device and the reason; a success hands none. The device is
// opened for this one operation and closed again at once.
//
// ejectTray: unmounts whatever is mounted from the drive (umount(8), the most
// recent mount first); only when nothing of it is left mounted does it unlock
// the door (CDROM_LOCKDOOR 0) and eject (CDROMEJECT).
// closeTray: CDROMCLOSETRAY, after CDROM_GET_CAPABILITY shows the drive can
// pull its tray in (slot-loading and most laptop drives cannot: ENOSYS).
int ejectTray(const std::string& devicePath, const LinuxDriveSystem& system = {});
int closeTray(const std::string& devicePath, const LinuxDriveSystem& system = {});

class LinuxMediaControl : public MediaControl {
public:
    // With no path, the default drive is looked up afresh for every command,
    // so a drive plugged in while the program runs is found. Holds no state
    // that a command changes: commands may come from any thread.
    explicit LinuxMediaControl(std::string devicePath = {}, LinuxDriveSystem system = {});
    int send(const std::string& command) override;

private:
    std::string devicePath_;
    LinuxDriveSystem system_;
};

} // namespace vp
