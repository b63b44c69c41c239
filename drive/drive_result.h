// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What happened when a tray command failed, as data: a kind and the facts
// that go with it. The drive layer composes no sentences; the program turns
// a failure into words in the user's language, once, for every channel (the
// standard error line, the desktop notification, the command line's exit).

#include "drive/process_use.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vp {

// What the failed command was asked to do.
enum class DriveAction { Open, Close, ReadState };

enum class FailureKind {
    NoDrive,             // no CD drive found (no /dev/cdrom, no /dev/sr*)
    NoSuchDevice,        // the node does not exist
    NotCdDrive,          // not a block device, or it does not answer CD-ROM ioctls
    PermissionDenied,    // the user may not use the drive
    Unplugged,           // no drive answers at the node
    OpenedExclusively,   // another program opened the node exclusively
    CannotOpen,          // opening failed otherwise (error)
    CannotExamine,       // fstat failed (error)
    CommandRunning,      // another tray command is running on this drive
    HeldExclusively,     // another program holds the drive for itself
    StillExamined,       // the system is still examining the drive
    CannotReadMountTable, // mountTable, error
    MountCovered,        // the disc's filesystem at mountPoint lies under otherSource
    UnmountIneffective,  // mountPoint still mounted after umount said it unmounted it
    CannotRunUmount,     // program could not be started (error)
    UmountTimedOut,      // umount of mountPoint stopped at deadline; toolMessage, umountPid, stillRunning
    UnmountNotAllowed,   // not allowed to unmount mountPoint; toolMessage
    DiscInUse,           // mountPoint busy; toolMessage, holders
    TooManyMounts,       // still mounted after many unmounts
    Remounted,           // something of the drive was mounted again (at mountPoint) during the command
    CannotMoveTray,      // ENOSYS: the drive cannot open / close its tray by itself
    DriveInUse,          // EBUSY from the tray ioctl; holders
    DriveRefused,        // another errno from the tray ioctl (error), door facts below
    CannotReadState,     // CDROM_DRIVE_STATUS failed (error)
    StateUnknowable,     // the system cannot tell whether the tray is open (Windows)
    UnknownCommand,      // a media-control command this backend does not know (toolMessage: the command)
    MediaControlError,   // Windows: the media-control interface's error code (error), its words (toolMessage)
};

struct DriveFailure {
    DriveAction action = DriveAction::Open;
    FailureKind kind = FailureKind::DriveRefused;
    std::string device;          // the node as given ("/dev/sr0"), or "cdaudio" on Windows; empty for NoDrive
    int error = 0;               // errno value, or the platform's error code
    std::string mountPoint;      // the mount the failure concerns
    std::string otherSource;     // MountCovered: what is mounted on top
    std::string mountTable;      // CannotReadMountTable: the table's path
    std::string program;         // CannotRunUmount: the umount program
    std::string toolMessage;     // umount's own words (one line), or the platform's error text
    std::vector<ProcessUse> holders; // programs that hold the disc or the drive
    std::chrono::milliseconds deadline{0}; // UmountTimedOut
    int umountPid = 0;           // UmountTimedOut
    bool stillRunning = false;   // UmountTimedOut: even the kill did not end it in time
    int unlockError = 0;         // DriveRefused: the door unlock's own error (EBUSY: another program has it open)
    bool doorLockedAgain = false; // DriveRefused: the door was locked again after the failed eject
    int relockError = 0;         // DriveRefused: locking it again failed with this error
};

// A failure of `kind` with its errno and, where it concerns one, a mount
// point; the other facts are filled in by whoever knows them.
inline DriveFailure driveFailure(FailureKind kind, int error = 0, std::string mountPoint = {})
{
    DriveFailure failure;
    failure.kind = kind;
    failure.error = error;
    failure.mountPoint = std::move(mountPoint);
    return failure;
}

// Receives each failure, once, from whichever thread ran the command.
using FailureSink = std::function<void(const DriveFailure&)>;

// Until a sink is installed, failures go nowhere.
void setFailureSink(FailureSink sink);
void reportFailure(const DriveFailure& failure);

// A short, stable, untranslated name of a kind ("disc-in-use"), for logs of
// programs that have no translations (the emulated machine's probe).
std::string_view kindName(FailureKind kind);

} // namespace vp
