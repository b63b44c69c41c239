// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/linux_media_control.h"

#include "drive/drive_result.h"
#include "drive/mount_table.h"
#include "drive/process_use.h"
#include "drive/unmount.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include <linux/cdrom.h>

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

using Outcome = std::optional<DriveFailure>;

// Programs that hold the drive's node open.
std::vector<ProcessUse> holdersOf(const std::string& devicePath)
{
    std::error_code ec;
    const auto node = std::filesystem::canonical(devicePath, ec);
    return ec ? std::vector<ProcessUse>{} : processesUsing(node.string());
}

// What a failed tray ioctl means. `unlock` is the unlock's own error code
// when the door was to be unlocked first.
DriveFailure ioctlFailure(int code, const std::string& devicePath, int unlock = 0)
{
    switch (code) {
    case ENOTTY:
    case EINVAL:
        return driveFailure(FailureKind::NotCdDrive, code);
    case EACCES:
    case EPERM:
        return driveFailure(FailureKind::PermissionDenied, code);
    case ENOSYS:
        return driveFailure(FailureKind::CannotMoveTray, code);
    case EBUSY: {
        DriveFailure failure = driveFailure(FailureKind::DriveInUse, code);
        failure.holders = holdersOf(devicePath);
        return failure;
    }
    default:
        break;
    }
    DriveFailure failure = driveFailure(FailureKind::DriveRefused, code);
    failure.unlockError = unlock;
    if (unlock == EBUSY) failure.holders = holdersOf(devicePath);
    return failure;
}

// Between the unmount and the ioctls the command may have waited seconds for
// udev, and a disc can be mounted again in that gap. Read with the node held,
// right before the door is unlocked: nothing of the drive may be mounted.
Outcome mountedAgain(dev_t device, const std::string& table)
{
    std::vector<MountEntry> entries;
    if (const int error = readMountTable(table, entries); error != 0) {
        DriveFailure failure = driveFailure(FailureKind::CannotReadMountTable, error);
        failure.mountTable = table;
        return failure;
    }
    const auto mounts = mountsOf(entries, device);
    if (mounts.empty()) return std::nullopt;
    DriveFailure failure = driveFailure(FailureKind::Remounted, EBUSY);
    failure.mountPoint = mounts.front().target;
    return failure;
}

Outcome openTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    CdDrive drive(devicePath, system);
    // Every refusal that does not depend on the unmount comes before it.
    if (drive.error() != 0 || drive.refuseExclusiveHolder() != 0) return drive.failure();
    // Never eject under a mounted filesystem: everything of the drive is
    // unmounted first, or nothing happens at all.
    const std::string program = system.umountProgram.empty() ? systemUmountProgram() : system.umountProgram;
    if (auto failure = unmountDevice(drive.device(), system.mountTable, program, system.umountDeadline)) return failure;
    if (drive.holdForIoctls(system.examinationWait) != 0) return drive.failure();
    if (auto failure = mountedAgain(drive.device(), system.mountTable)) return failure;
    // Since Linux 5.18 the sr driver hands CDROMEJECT to the drive as a bare
    // SCSI START STOP UNIT, past the CD-ROM layer's own eject (which unlocked
    // the door itself, and only when nobody else had the drive open). So the
    // door is unlocked first, as eject(1) does it; the kernel lets an
    // ordinary user do that only while nobody else has the drive open, root
    // always.
    const int unlock = drive.ioctlError(CDROM_LOCKDOOR, 0);
    const int code = drive.ioctlError(CDROMEJECT, 0);
    if (code == 0) return std::nullopt;
    DriveFailure failure = ioctlFailure(code, devicePath, unlock);
    // Should the eject fail, the door is locked again only when another
    // program holds the drive: the kernel had locked it for that program, so
    // that the drive's own button cannot throw out a disc in use. Locked
    // again otherwise, it would stay locked after this program ends:
    // CDROM_LOCKDOOR 1 also sets the kernel's keep-locked flag, which only a
    // tray command or eject(1) clears. Who holds the drive is read from
    // /proc, not from the eject's answer: the eject now goes to the drive
    // itself, whose refusal says nothing of who has the node open. /proc
    // shows root every process, and an ordinary user's unlock succeeds only
    // while nobody else has the drive open, so nothing is missed.
    if (unlock == 0 && !holdersOf(devicePath).empty()) {
        failure.relockError = drive.ioctlError(CDROM_LOCKDOOR, 1);
        failure.doorLockedAgain = failure.relockError == 0;
    }
    return failure;
}

Outcome pullTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    CdDrive drive(devicePath, system);
    if (drive.error() != 0 || drive.holdForIoctls(system.examinationWait) != 0) return drive.failure();
    if (!(drive.capabilities() & CDC_CLOSE_TRAY)) return ioctlFailure(ENOSYS, devicePath);
    const int code = drive.ioctlError(CDROMCLOSETRAY, 0);
    if (code == 0) return std::nullopt;
    return ioctlFailure(code, devicePath);
}

// Carries out one tray action; a failure is reported once, with the device.
int act(const std::string& devicePath, const LinuxDriveSystem& system, bool opening)
{
    Outcome failure = devicePath.empty() ? driveFailure(FailureKind::NoDrive, ENODEV)
                      : opening          ? openTray(devicePath, system)
                                         : pullTray(devicePath, system);
    if (!failure) return 0;
    failure->action = opening ? DriveAction::Open : DriveAction::Close;
    failure->device = devicePath;
    reportFailure(*failure);
    return failure->error;
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
    DriveFailure failure = driveFailure(FailureKind::UnknownCommand, EINVAL); // a command string this backend does not know
    failure.toolMessage = command;
    reportFailure(failure);
    return EINVAL;
}

std::unique_ptr<MediaControl> makePlatformMediaControl(const std::string& devicePath)
{
    return std::make_unique<LinuxMediaControl>(devicePath);
}

} // namespace vp
