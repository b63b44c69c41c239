// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/cd_drive.h"

#include "drive/error_text.h"

#include <cerrno>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vp {

const char* const kPermissionRemedy =
    "permission denied; join the cdrom group (sudo adduser $USER cdrom, then log in again) or use the "
    "machine from its own seat";

namespace {

// Why opening the device node failed.
std::string openReason(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return kPermissionRemedy;
    case ENOENT:
        return "no such device";
    case ENXIO:
    case ENODEV:
        return "no drive answers at this device node (unplugged?)";
    case EBUSY:
        return "another program has the drive open exclusively";
    default:
        return "cannot open the device (" + errorText(code) + ")";
    }
}

} // namespace

CdDrive::CdDrive(const std::string& path, const LinuxDriveSystem& system)
    : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), ioctl_(system.ioctl)
{
    if (fd_ < 0) {
        const int code = errno;
        fail(code, openReason(code));
        return;
    }
    struct ::stat status {};
    if ((system.fstat ? system.fstat(fd_, status) : ::fstat(fd_, &status)) != 0) {
        const int code = errno;
        fail(code, "cannot examine the device (" + errorText(code) + ")");
        return;
    }
    // A character device's number may equal a block device's (7:0 is both
    // /dev/vcs and /dev/loop0), and a regular file has none: no ioctl goes
    // to anything but a block device.
    if (!S_ISBLK(status.st_mode)) {
        fail(ENOTBLK, "not a CD drive");
        return;
    }
    device_ = status.st_rdev;
    capabilities_ = call(CDROM_GET_CAPABILITY, 0);
    if (capabilities_ < 0) {
        const int code = errno;
        fail(code, code == EACCES || code == EPERM ? std::string(kPermissionRemedy) : "not a CD drive");
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

void CdDrive::fail(int code, std::string reason)
{
    error_ = code;
    reason_ = std::move(reason);
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
        fail(EBUSY, "another tray command is running on this drive; try again when it is done");
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
        if (errno != EWOULDBLOCK) return error_;
        if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
            fail(EBUSY, "another program holds the drive for itself (writing a disc?); try again when it is done");
            return error_;
        }
        ::flock(fd_, LOCK_UN);
        if (std::chrono::steady_clock::now() >= deadline) {
            fail(EBUSY, "the system is still examining the drive (a disc just went in?); try again in a moment");
            return error_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return error_;
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
