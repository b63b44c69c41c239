// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/linux_media_control.h"

#include "drive/diagnostics.h"
#include "drive/error_text.h"
#include "drive/process_use.h"
#include "drive/unmount.h"

#include <cerrno>
#include <filesystem>
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

struct Failure {
    int code = 0;
    std::string reason;
};

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
    const CdDrive drive(devicePath, system);
    if (drive.error() != 0) return {drive.error(), drive.reason()};
    // Never eject under a mounted filesystem: everything of the drive is
    // unmounted first, or nothing happens at all.
    std::string reason;
    const std::string program = system.umountProgram.empty() ? systemUmountProgram() : system.umountProgram;
    if (const int error = unmountDevice(drive.device(), system.mountTable, program, system.umountDeadline, reason);
        error != 0)
        return {error, reason};
    // Since Linux 5.18 the sr driver hands CDROMEJECT to the drive as a bare
    // SCSI START STOP UNIT, past the CD-ROM layer's own eject (which unlocked
    // the door itself, and only when nobody else had the drive open). So the
    // door is unlocked first, as eject(1) does it; the kernel lets an
    // ordinary user do that only while nobody else has the drive open, root
    // always. Should the eject then fail (a mount that came in meanwhile, a
    // program writing a disc), the door is locked again, so that the drive's
    // own button cannot throw out a disc in use. The kernel then keeps it
    // locked until a tray command or eject(1) unlocks it: the safe side.
    const int unlock = drive.ioctlError(CDROM_LOCKDOOR, 0);
    const int code = drive.ioctlError(CDROMEJECT, 0);
    if (code == 0) return {};
    std::string why = ioctlReason(code, true, devicePath, unlock);
    if (unlock == 0) {
        if (const int relock = drive.ioctlError(CDROM_LOCKDOOR, 1); relock != 0)
            why += "; its door could not be locked again (" + errorText(relock) + ")";
    }
    return {code, why};
}

Failure pullTray(const std::string& devicePath, const LinuxDriveSystem& system)
{
    const CdDrive drive(devicePath, system);
    if (drive.error() != 0) return {drive.error(), drive.reason()};
    if (!(drive.capabilities() & CDC_CLOSE_TRAY)) return {ENOSYS, ioctlReason(ENOSYS, false, devicePath)};
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
