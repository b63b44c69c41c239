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

CdDrive::CdDrive(const std::string& path, const LinuxDriveSystem& system)
    : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), ioctl_(system.ioctl)
{
    if (fd_ < 0) {
        const int code = errno;
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
    lockCommand(system.commandLocks);
}

CdDrive::~CdDrive()
{
    // Closing the descriptors releases the locks.
    if (fd_ >= 0) ::close(fd_);
    if (commandLock_ >= 0) ::close(commandLock_);
}

void CdDrive::fail(FailureKind kind, int code)
{
    failure_.kind = kind;
    failure_.error = code;
}

void CdDrive::lockCommand(const std::string& commandLocks)
{
    const std::string folder =
        commandLocks + "/" + std::to_string(major(device_)) + ":" + std::to_string(minor(device_));
    commandLock_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A drive without its folder still moves its tray; only the guard
    // against a second command is lost.
    if (commandLock_ < 0) return;
    if (::flock(commandLock_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        fail(FailureKind::CommandRunning, EBUSY);
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
