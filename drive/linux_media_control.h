// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux backend: the "cdaudio" device is the system's default CD drive, moved
// with the kernel's CD-ROM ioctls, the same calls eject(1) makes. Before the
// tray opens, every filesystem mounted from the drive is unmounted; the tray
// never opens under a mounted one.

#include "drive/cd_drive.h"
#include "drive/media_control.h"
#include "drive/tray_status.h"

#include <string>

namespace vp {

// The default CD drive: /dev/cdrom if it exists, else the first /dev/sr*
// (in numeric order). Empty when there is none.
std::string findDefaultCdDrive(const std::string& deviceDirectory = "/dev");

// Each returns 0 on success or an errno value, and never throws. A failure
// also hands exactly one line to the diagnostics sink (drive/diagnostics.h)
// naming the device and the reason; a success hands none. The drive is
// opened, checked and locked for this one operation (drive/cd_drive.h), and
// a node that is not a CD drive is left alone.
//
// ejectTray: unmounts whatever is mounted from the drive (umount(8), the most
// recent mount first); only when nothing of it is left mounted does it unlock
// the door (CDROM_LOCKDOOR 0) and eject (CDROMEJECT), and it locks the door
// again when the eject fails.
// closeTray: CDROMCLOSETRAY, when CDROM_GET_CAPABILITY shows the drive can
// pull its tray in (slot-loading and most laptop drives cannot: ENOSYS).
int ejectTray(const std::string& devicePath, const LinuxDriveSystem& system = {});
int closeTray(const std::string& devicePath, const LinuxDriveSystem& system = {});

// The tray's state as the drive tells it (CDROM_DRIVE_STATUS), asked with the
// same checks and lock as a tray command. Unknown, with one diagnostic line,
// when it cannot be asked.
TrayState trayState(const std::string& devicePath, const LinuxDriveSystem& system = {});

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
