// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A CD drive opened for one tray command (Linux). Nothing acts on a node
// before it has proved to be a CD drive: a block device that answers the
// CD-ROM capability ioctl. Only then is the command's lock taken, and only
// then may the command look for what is mounted from it. The one descriptor
// serves the whole command: the kernel refuses an ordinary user's door unlock
// while the drive is open twice.

#include "drive/drive_result.h"

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

class CdDrive {
public:
    // Opens the node non-blocking (so an empty drive or an open tray still
    // opens), checks it and takes the drive's command lock for as long as
    // this object lives: a write lock of this open file description on the
    // node. Another tray command on the drive, in this program or another
    // one, makes this one fail at once. Never throws.
    CdDrive(const std::string& path, const LinuxDriveSystem& system);
    ~CdDrive();
    CdDrive(const CdDrive&) = delete;
    CdDrive& operator=(const CdDrive&) = delete;

    // 0 when the drive is ready for the command; otherwise an errno value
    // and, in failure(), what went wrong.
    int error() const { return failure_.error; }
    // Kind and errno only; the caller adds the device and the action.
    const DriveFailure& failure() const { return failure_; }

    // Refuses, before anything is unmounted, when another program holds the
    // node's own lock exclusively (a program writing a disc). Answers error().
    int refuseExclusiveHolder();

    // Takes the node's own lock, exclusive, the one block devices share by
    // convention: udev holds it shared while it examines a device, and puts
    // off examining one that somebody holds exclusively. So it is taken only
    // for the ioctls that move the tray, never while a filesystem of the
    // drive is being unmounted: UDisks, which unmounts what the desktop
    // mounted, waits for udev to see the change before umount returns.
    // Answers error(); on failure the command stops there.
    int holdForIoctls(std::chrono::milliseconds examinationWait);
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
    void fail(FailureKind kind, int code);
    void lockCommand();

    int fd_ = -1;
    DriveFailure failure_;
    dev_t device_ = 0;
    int capabilities_ = 0;
    std::function<int(int, unsigned long, unsigned long)> ioctl_;
};

} // namespace vp
