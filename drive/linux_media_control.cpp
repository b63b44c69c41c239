// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/linux_media_control.h"

#include "drive/diagnostics.h"
#include "drive/error_text.h"
#include "drive/mount_table.h"
#include "drive/process_use.h"
#include "drive/unmount.h"

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
    DeviceHandle(const std::string& path, const LinuxDriveSystem& system)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), error_(fd_ < 0 ? errno : 0),
          ioctl_(system.ioctl)
    {
    }
    ~DeviceHandle()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    int error() const { return error_; }

    // The ioctl's own result; errno is set when it is negative.
    int call(unsigned long request, unsigned long argument) const
    {
        return ioctl_ ? ioctl_(fd_, request, argument) : ::ioctl(fd_, request, argument);
    }

    // The CD-ROM ioctls used here return 0 on success. When the SCSI layer
    // carries the command itself and the drive refuses it (a door locked by
    // a mount), the kernel returns the positive SCSI status instead of -1;
    // that is a failure too, and reads as an I/O error.
    int ioctlError(unsigned long request, unsigned long argument) const
    {
        const int result = call(request, argument);
        if (result < 0) return errno;
        return result == 0 ? 0 : EIO;
    }

private:
    int fd_;
    int error_;
    std::function<int(int, unsigned long, unsigned long)> ioctl_;
};

struct Failure {
    int code = 0;
    std::string reason;
};

constexpr const char* kPermissionRemedy =
    "permission denied; join the cdrom group (sudo adduser $USER cdrom, then log in again) or use the "
    "machine from its own seat";

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

// Programs that hold the drive's node open, for the reason's tail.
std::string heldBy(const std::string& devicePath)
{
    std::error_code ec;
    const auto node = std::filesystem::canonical(devicePath, ec);
    if (ec) return {};
    const auto holders = processesUsing(node.string());
    return holders.empty() ? std::string() : ": " + describeProcesses(holders);
}

// Why a tray ioctl failed. `unlock` is the unlock's own error code when the
// door was to be unlocked first.
std::string ioctlReason(int code, bool opening, const std::string& devicePath, int unlock = 0)
{
    switch (code) {
    case ENOTTY:
    case EINVAL:
        return "not a CD drive";
    case EACCES:
    case EPERM:
        return kPermissionRemedy;
    case ENOSYS:
        return opening ? "the drive cannot open its tray by itself"
                       : "the drive cannot close its tray (slot-loading and most laptop drives cannot); push it "
                         "in by hand";
    case EBUSY:
        return "the drive is in use by another program" + heldBy(devicePath) + "; close it and try again";
    default:
        break;
    }
    std::string reason = "the drive refused (" + errorText(code) + ")";
    if (unlock == EBUSY)
        reason += "; its door stays locked while another program has the drive open" + heldBy(devicePath);
    return reason;
}

Failure openTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    dev_t device = 0;
    const int numbered = deviceNumber(devicePath, device);
    if (numbered == 0) {
        // Never eject under a mounted filesystem: everything of the drive is
        // unmounted first, or nothing happens at all.
        std::string reason;
        const std::string program = system.umountProgram.empty() ? systemUmountProgram() : system.umountProgram;
        if (const int error = unmountDevice(device, system.mountTable, program, reason); error != 0)
            return {error, reason};
    } else if (numbered != ENOTBLK) {
        return {numbered, openReason(numbered)};
    }
    // A node that is no device at all cannot be mounted from; the ioctls
    // below tell that it is no drive either.
    const DeviceHandle drive(devicePath, system);
    if (drive.error() != 0) return {drive.error(), openReason(drive.error())};
    // The unlock may fail (an ordinary user while another program holds the
    // drive); the eject then reports what the drive really did.
    const int unlock = drive.ioctlError(CDROM_LOCKDOOR, 0);
    const int code = drive.ioctlError(CDROMEJECT, 0);
    return {code, code == 0 ? std::string() : ioctlReason(code, true, devicePath, unlock)};
}

Failure pullTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    const DeviceHandle drive(devicePath, system);
    if (drive.error() != 0) return {drive.error(), openReason(drive.error())};
    const int capabilities = drive.call(CDROM_GET_CAPABILITY, 0);
    if (capabilities < 0) {
        const int code = errno;
        return {code, ioctlReason(code, false, devicePath)};
    }
    if (!(capabilities & CDC_CLOSE_TRAY)) return {ENOSYS, ioctlReason(ENOSYS, false, devicePath)};
    const int code = drive.ioctlError(CDROMCLOSETRAY, 0);
    return {code, code == 0 ? std::string() : ioctlReason(code, false, devicePath)};
}

// Carries out one tray action and says why when it failed, in one line.
int act(const std::string& devicePath, const LinuxDriveSystem& system, bool opening)
{
    const char* action = opening ? "cannot open the tray: " : "cannot close the tray: ";
    if (devicePath.empty()) {
        reportDiagnostic(std::string(action) + "no CD drive found (no /dev/cdrom, no /dev/sr*)");
        return ENODEV;
    }
    const Failure failure = opening ? openTray(devicePath, system) : pullTray(devicePath, system);
    if (failure.code != 0) reportDiagnostic(devicePath + ": " + action + failure.reason);
    return failure.code;
}

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

int ejectTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    return act(devicePath, system, true);
}

int closeTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    return act(devicePath, system, false);
}

LinuxMediaControl::LinuxMediaControl(std::string devicePath, LinuxDriveSystem system)
    : devicePath_(std::move(devicePath)), system_(std::move(system))
{
}

int LinuxMediaControl::send(const std::string& command)
{
    const std::string device = devicePath_.empty() ? findDefaultCdDrive() : devicePath_;
    if (command == kDoorOpenCommand) return ejectTray(device, system_);
    if (command == kDoorClosedCommand) return closeTray(device, system_);
    reportDiagnostic("unknown media-control command \"" + command + "\"");
    return EINVAL; // a command string this backend does not know
}

std::unique_ptr<MediaControl> makePlatformMediaControl(const std::string& devicePath)
{
    return std::make_unique<LinuxMediaControl>(devicePath);
}

} // namespace vp
