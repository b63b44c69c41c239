// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/drive_result.h"

#include <mutex>
#include <utility>

namespace vp {

namespace {

// Tray commands run on a worker thread while the program may install or
// remove a sink on its own thread.
std::mutex sinkMutex;

FailureSink& installedSink()
{
    static FailureSink sink;
    return sink;
}

} // namespace

void setFailureSink(FailureSink sink)
{
    const std::lock_guard lock(sinkMutex);
    installedSink() = std::move(sink);
}

void reportFailure(const DriveFailure& failure)
{
    FailureSink sink;
    {
        const std::lock_guard lock(sinkMutex);
        sink = installedSink();
    }
    if (sink) sink(failure);
}

std::string_view kindName(FailureKind kind)
{
    switch (kind) {
    case FailureKind::NoDrive: return "no-drive";
    case FailureKind::NoSuchDevice: return "no-such-device";
    case FailureKind::NotCdDrive: return "not-a-cd-drive";
    case FailureKind::PermissionDenied: return "permission-denied";
    case FailureKind::Unplugged: return "unplugged";
    case FailureKind::OpenedExclusively: return "opened-exclusively";
    case FailureKind::CannotOpen: return "cannot-open";
    case FailureKind::CannotExamine: return "cannot-examine";
    case FailureKind::CommandRunning: return "command-running";
    case FailureKind::HeldExclusively: return "held-exclusively";
    case FailureKind::StillExamined: return "still-examined";
    case FailureKind::CannotReadMountTable: return "cannot-read-mount-table";
    case FailureKind::MountCovered: return "mount-covered";
    case FailureKind::UnmountIneffective: return "unmount-ineffective";
    case FailureKind::CannotRunUmount: return "cannot-run-umount";
    case FailureKind::UmountTimedOut: return "umount-timed-out";
    case FailureKind::UnmountNotAllowed: return "unmount-not-allowed";
    case FailureKind::DiscInUse: return "disc-in-use";
    case FailureKind::TooManyMounts: return "too-many-mounts";
    case FailureKind::Remounted: return "remounted";
    case FailureKind::CannotMoveTray: return "cannot-move-tray";
    case FailureKind::DriveInUse: return "drive-in-use";
    case FailureKind::DriveRefused: return "drive-refused";
    case FailureKind::CannotReadState: return "cannot-read-state";
    case FailureKind::StateUnknowable: return "state-unknowable";
    case FailureKind::UnknownCommand: return "unknown-command";
    case FailureKind::MediaControlError: return "media-control-error";
    }
    return "unknown";
}

} // namespace vp
