// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A CD drive opened for one tray command (Linux). Nothing acts on a node
// before it has proved to be a CD drive: a block device that answers the
// CD-ROM capability ioctl. Only then is it locked for the command, and only
// then may the command look for what is mounted from it. The one descriptor
// serves the whole command: the kernel refuses an ordinary user's door unlock
// while the drive is open twice.

#include <chrono>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace vp {

// What a tray command uses of the system besides the drive's node. The
// program keeps the defaults; tests point each part elsewhere.
struct LinuxDriveSystem {
    // The mount table, in mountinfo format.
    std::string mountTable = "/proc/self/mountinfo";
    // The umount(8) to run; empty means the system's own.
    std::string umountProgram;
    // How long one umount may take, from its start to its end.
    std::chrono::milliseconds umountDeadline{60000};
    // How long a command waits while the system itself examines the drive
    // (udev holds a shared lock on it meanwhile) before giving up.
    std::chrono::milliseconds examinationWait{3000};
    // The ioctl and fstat calls on the opened drive; empty means the kernel's.
    std::function<int(int fd, unsigned long request, unsigned long argument)> ioctl;
    std::function<int(int fd, struct ::stat& status)> fstat;
};

// "permission denied; join the cdrom group ...": what a user without access
// to the drive can do about it.
extern const char* const kPermissionRemedy;

class CdDrive {
public:
    // Opens the node the way eject(1) does, read-only and non-blocking (so an
    // empty drive or an open tray still opens), checks it and takes the
    // drive's lock (flock, exclusive) for as long as this object lives.
    // Another tray command on the drive, in this program or another one,
    // makes this one fail at once. Never throws.
    CdDrive(const std::string& path, const LinuxDriveSystem& system);
    ~CdDrive();
    CdDrive(const CdDrive&) = delete;
    CdDrive& operator=(const CdDrive&) = delete;

    // 0 when the drive is ready for the command; otherwise an errno value
    // and, in reason(), why in plain words.
    int error() const { return error_; }
    const std::string& reason() const { return reason_; }
    // The drive's device number and what CDROM_GET_CAPABILITY answered.
    dev_t device() const { return device_; }
    int capabilities() const { return capabilities_; }

    // The ioctl's own result; errno is set when it is negative.
    int call(unsigned long request, unsigned long argument) const;
    // 0 or an errno value. When the SCSI layer carries a command itself and
    // the drive refuses it (a door locked by a mount), the kernel returns the
    // positive SCSI status instead of -1: that is a failure too, and reads as
    // an I/O error.
    int ioctlError(unsigned long request, unsigned long argument) const;

private:
    void fail(int code, std::string reason);
    void lockForCommand(std::chrono::milliseconds examinationWait);

    int fd_ = -1;
    int error_ = 0;
    std::string reason_;
    dev_t device_ = 0;
    int capabilities_ = 0;
    std::function<int(int, unsigned long, unsigned long)> ioctl_;
};

} // namespace vp
