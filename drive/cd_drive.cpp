// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/cd_drive.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vp {

namespace {

// Why opening the device node failed.
FailureKind openFailure(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return FailureKind::PermissionDenied;
    case ENOENT:
        return FailureKind::NoSuchDevice;
    case ENXIO:
    case ENODEV:
        return FailureKind::Unplugged;
    case EBUSY:
        return FailureKind::OpenedExclusively;
    default:
        return FailureKind::CannotOpen;
    }
}

} // namespace

CdDrive::CdDrive(const std::string& path, const LinuxDriveSystem& system) : ioctl_(system.ioctl)
{
    // Opened for writing because the command lock (a write lock) needs it.
    // With O_NONBLOCK the CD-ROM layer does not ask for a writable disc, and
    // the sr driver is not among the devices udev watches for a close after
    // writing, so this open and its close change nothing the system sees.
    // O_NOCTTY: a node that turns out to be a terminal never becomes the
    // program's controlling one.
    constexpr int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    fd_ = ::open(path.c_str(), O_RDWR | flags);
    int code = errno;
    if (fd_ < 0 && code == EISDIR) {
        fail(FailureKind::NotCdDrive, ENOTBLK);
        return;
    }
    // A user who may read the drive but not write it still moves its tray;
    // what is lost is the command lock, so such a user's command is not kept
    // from running beside another one. A kernel built to refuse writers to a
    // mounted device (CONFIG_BLK_DEV_WRITE_MOUNTED off) answers EBUSY while
    // the disc is mounted; read-only, the command can still unmount it. An
    // exclusive opener refuses the read-only open too, and says so then.
    const bool lockable = fd_ >= 0;
    if (fd_ < 0 && (code == EACCES || code == EROFS || code == EPERM || code == EBUSY)) {
        fd_ = ::open(path.c_str(), O_RDONLY | flags);
        code = errno;
    }
    if (fd_ < 0) {
        fail(openFailure(code), code);
        return;
    }
    struct ::stat status {};
    if ((system.fstat ? system.fstat(fd_, status) : ::fstat(fd_, &status)) != 0) {
        const int code = errno;
        fail(FailureKind::CannotExamine, code);
        return;
    }
    // A character device's number may equal a block device's (7:0 is both
    // /dev/vcs and /dev/loop0), and a regular file has none: no ioctl goes
    // to anything but a block device.
    if (!S_ISBLK(status.st_mode)) {
        fail(FailureKind::NotCdDrive, ENOTBLK);
        return;
    }
    device_ = status.st_rdev;
    capabilities_ = call(CDROM_GET_CAPABILITY, 0);
    if (capabilities_ < 0) {
        const int code = errno;
        fail(code == EACCES || code == EPERM ? FailureKind::PermissionDenied : FailureKind::NotCdDrive, code);
        return;
    }
    if (lockable) lockCommand();
}

CdDrive::~CdDrive()
{
    // Closing the descriptor releases both locks.
    if (fd_ >= 0) ::close(fd_);
}

void CdDrive::fail(FailureKind kind, int code)
{
    failure_.kind = kind;
    failure_.error = code;
}

// The command lock is an open file description's write lock on the node
// itself: only a user who may write the drive can take it, it goes with the
// descriptor (so with the process), and it does not meet the flock(2) locks
// that udev and disk tools take on the same node. Every name of the node
// (/dev/cdrom, /dev/sr0) leads to the same inode and so the same lock.
void CdDrive::lockCommand()
{
    struct ::flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    // A file system that keeps no such locks still moves the tray; only the
    // guard against a second command is lost.
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0 && (errno == EAGAIN || errno == EACCES))
        fail(FailureKind::CommandRunning, EBUSY);
}

int CdDrive::refuseExclusiveHolder()
{
    if (::flock(fd_, LOCK_SH | LOCK_NB) == 0)
        ::flock(fd_, LOCK_UN);
    else if (errno == EWOULDBLOCK)
        fail(FailureKind::HeldExclusively, EBUSY);
    return error();
}

// An exclusive holder of the node is a program writing a disc, or one that
// keeps the drive to itself otherwise: this command gives way at once.
// Shared holders only (udev, for a second or so after a disc goes in) are
// waited for, a little.
int CdDrive::holdForIoctls(std::chrono::milliseconds examinationWait)
{
    const auto deadline = std::chrono::steady_clock::now() + examinationWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        // A node that cannot be locked at all still moves its tray.
        if (errno != EWOULDBLOCK) return error();
        if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
            fail(FailureKind::HeldExclusively, EBUSY);
            return error();
        }
        ::flock(fd_, LOCK_UN);
        if (std::chrono::steady_clock::now() >= deadline) {
            fail(FailureKind::StillExamined, EBUSY);
            return error();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return error();
}

int CdDrive::call(unsigned long request, unsigned long argument) const
{
    return ioctl_ ? ioctl_(fd_, request, argument) : ::ioctl(fd_, request, argument);
}

int CdDrive::ioctlError(unsigned long request, unsigned long argument) const
{
    const int result = call(request, argument);
    if (result < 0) return errno;
    return result == 0 ? 0 : EIO;
}

} // namespace vp
