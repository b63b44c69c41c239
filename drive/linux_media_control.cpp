// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/linux_media_control.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vp {

namespace {

// "sr12" -> 12; anything that is not "sr" followed by digits -> -1.
long srIndex(const std::string& name)
{
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
    long index = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || index > 100000) return -1;
        index = index * 10 + (name[i] - '0');
    }
    return index;
}

// Opens the drive the way eject(1) does: read-only and non-blocking, so that a
// drive with no disc, or with its tray already open, can still be opened.
class DeviceHandle {
public:
    explicit DeviceHandle(const std::string& path)
        : fd_(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)),
          error_(path.empty() ? ENODEV : (fd_ < 0 ? errno : 0))
    {
    }
    ~DeviceHandle()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    int error() const { return error_; }

    // The CD-ROM ioctls used here return 0 on success. When the SCSI layer
    // carries the command itself and the drive refuses it (a door locked by
    // a mount), the kernel returns the positive SCSI status instead of -1;
    // that is a failure too, and reads as an I/O error.
    int ioctlError(unsigned long request, long argument) const
    {
        const int result = ::ioctl(fd_, request, argument);
        if (result < 0) return errno;
        return result == 0 ? 0 : EIO;
    }

private:
    int fd_;
    int error_;
};

} // namespace

std::string findDefaultCdDrive(const std::string& deviceDirectory)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path directory(deviceDirectory);
    if (fs::exists(directory / "cdrom", ec)) return (directory / "cdrom").string();

    std::string best;
    long bestIndex = -1;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const long index = srIndex(it->path().filename().string());
        if (index >= 0 && (bestIndex < 0 || index < bestIndex)) {
            bestIndex = index;
            best = it->path().string();
        }
    }
    return best;
}

int ejectTray(const std::string& devicePath)
{
    const DeviceHandle drive(devicePath);
    if (drive.error() != 0) return drive.error();
    // A door locked by a mount or another program would refuse to open; the
    // unlock may itself fail (no permission to unlock), and the eject then
    // reports what the drive really did.
    drive.ioctlError(CDROM_LOCKDOOR, 0);
    return drive.ioctlError(CDROMEJECT, 0);
}

int closeTray(const std::string& devicePath)
{
    const DeviceHandle drive(devicePath);
    if (drive.error() != 0) return drive.error();
    return drive.ioctlError(CDROMCLOSETRAY, 0);
}

LinuxMediaControl::LinuxMediaControl(std::string devicePath) : devicePath_(std::move(devicePath)) {}

int LinuxMediaControl::send(const std::string& command)
{
    const std::string device = devicePath_.empty() ? findDefaultCdDrive() : devicePath_;
    if (command == kDoorOpenCommand) return ejectTray(device);
    if (command == kDoorClosedCommand) return closeTray(device);
    return EINVAL; // a command string this backend does not know
}

std::unique_ptr<MediaControl> makePlatformMediaControl(const std::string& devicePath)
{
    return std::make_unique<LinuxMediaControl>(devicePath);
}

} // namespace vp
