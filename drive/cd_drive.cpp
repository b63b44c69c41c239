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
    lockForCommand(system.examinationWait);
}

CdDrive::~CdDrive()
{
    // Closing the descriptor releases the lock.
    if (fd_ >= 0) ::close(fd_);
}

void CdDrive::fail(int code, std::string reason)
{
    error_ = code;
    reason_ = std::move(reason);
}

// The lock is the one block devices share by convention: tools that change
// a device hold it exclusively, and udev holds it shared while it examines
// one (after a disc goes in, for a second or so). An exclusive holder is
// another tray command, or a program writing a disc: this command is dropped
// at once. Shared holders only are waited for, a little.
void CdDrive::lockForCommand(std::chrono::milliseconds examinationWait)
{
    const auto deadline = std::chrono::steady_clock::now() + examinationWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        // A node that cannot be locked at all still moves its tray; only the
        // guard against a second command is lost.
        if (errno != EWOULDBLOCK) return;
        if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
            fail(EBUSY, "another tray command is running on this drive (or a program holds it for itself); "
                        "try again when it is done");
            return;
        }
        ::flock(fd_, LOCK_UN);
        if (std::chrono::steady_clock::now() >= deadline) {
            fail(EBUSY, "the system is still examining the drive (a disc just went in?); try again in a moment");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
