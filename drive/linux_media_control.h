// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux backend: the "cdaudio" device is the system's default CD drive, moved
// with the kernel's CD-ROM ioctls, the same calls eject(1) makes.

#include "drive/media_control.h"

#include <string>

namespace vp {

// The default CD drive: /dev/cdrom if it exists, else the first /dev/sr*
// (in numeric order). Empty when there is none.
std::string findDefaultCdDrive(const std::string& deviceDirectory = "/dev");

// Each returns 0 on success or an errno value; none prints or throws.
// The device is opened for this one operation and closed again at once.
int ejectTray(const std::string& devicePath);
int closeTray(const std::string& devicePath);

class LinuxMediaControl : public MediaControl {
public:
    // With no path, the default drive is looked up afresh for every command,
    // so a drive plugged in while the program runs is found.
    explicit LinuxMediaControl(std::string devicePath = {});
    int send(const std::string& command) override;

private:
    std::string devicePath_;
};

} // namespace vp
