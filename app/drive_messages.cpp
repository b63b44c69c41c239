// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/drive_messages.h"

#include "drive/diagnostics.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace vp {

namespace {

// Tray commands run on a worker thread while the program may install or
// remove a sink on its own thread.
std::mutex sinkMutex;

DiagnosticsSink& installedSink()
{
    static DiagnosticsSink sink;
    return sink;
}

// The translation context of every sentence below.
struct DriveMessages {
    Q_DECLARE_TR_FUNCTIONS(DriveMessages)
};

// A fact from outside the program (a device path, a mount point, a program's
// name, umount's words) made printable before it joins a sentence: control
// bytes, bytes that are not UTF-8 and backslashes become escapes, so the line
// stays one line and shows exactly which bytes were there.
QString text(const std::string& bytes) { return QString::fromStdString(printableLine(bytes)); }

// An errno value in words, in the program's language: the ones a drive, a
// node or the mount table give have words of the program's own, so that a
// Finnish line is Finnish whatever languages the C library was installed
// with; any other is the C library's own, with a lower-case first letter to
// fit the middle of a sentence ("input/output error"), but never an acronym's.
QString errorWords(int code)
{
    switch (code) {
    case EIO: return DriveMessages::tr("input/output error");
    case EBUSY: return DriveMessages::tr("device or resource busy");
    case EACCES: return DriveMessages::tr("permission denied");
    case EPERM: return DriveMessages::tr("operation not permitted");
    case ENOENT: return DriveMessages::tr("no such file or directory");
    case EINVAL: return DriveMessages::tr("invalid argument");
    case ENOMEM: return DriveMessages::tr("cannot allocate memory");
    case ETIMEDOUT: return DriveMessages::tr("connection timed out");
    case EROFS: return DriveMessages::tr("read-only file system");
    case ENOTDIR: return DriveMessages::tr("not a directory");
    case ELOOP: return DriveMessages::tr("too many levels of symbolic links");
#ifdef ENOMEDIUM
    case ENOMEDIUM: return DriveMessages::tr("no medium found");
#endif
    default: break;
    }
    const char* words = std::strerror(code);
    QString result = words && *words ? QString::fromLocal8Bit(words) : DriveMessages::tr("error %1").arg(code);
    if (result.size() > 1 && result[0].isUpper() && !result[1].isUpper()) result[0] = result[0].toLower();
    return result;
}

// "sleep (pid 12), less (pid 40)"; past four, "and N more".
QString programs(const std::vector<ProcessUse>& holders)
{
    constexpr std::size_t shown = 4;
    QStringList names;
    for (std::size_t i = 0; i < holders.size() && i < shown; ++i)
        names << DriveMessages::tr("%1 (pid %2)").arg(text(holders[i].name)).arg(holders[i].pid);
    QString list = names.join(QStringLiteral(", "));
    if (holders.size() > shown)
        list = DriveMessages::tr("%1 and %n more", nullptr, static_cast<int>(holders.size() - shown)).arg(list);
    return list;
}

// "(umount's words)" after a sentence, when it said anything.
QString withToolMessage(const QString& sentence, const DriveFailure& failure)
{
    return failure.toolMessage.empty() ? sentence : sentence + QStringLiteral(" (%1)").arg(text(failure.toolMessage));
}

QString permissionRemedy()
{
    return DriveMessages::tr("permission denied; join the cdrom group (sudo adduser $USER cdrom, then log in "
                             "again) or use the machine from its own seat");
}

QString umountStopped(const DriveFailure& f)
{
    const auto ms = f.deadline.count();
    const QString within = ms % 1000 == 0 ? DriveMessages::tr("no answer within %1 s").arg(ms / 1000)
                                          : DriveMessages::tr("no answer within %1 ms").arg(ms);
    const QString end = f.stillRunning ? DriveMessages::tr("still running after it was killed, pid %1").arg(f.umountPid)
                                       : DriveMessages::tr("stopped");
    const QString said = f.toolMessage.empty() ? QString() : text(f.toolMessage) + QStringLiteral("; ");
    return DriveMessages::tr("umount did not finish unmounting %1 (%2%3; %4), so the disc may still be mounted")
        .arg(text(f.mountPoint), said, within, end);
}

QString driveRefused(const DriveFailure& f)
{
    QString reason = DriveMessages::tr("the drive refused (%1)").arg(errorWords(f.error));
    if (f.unlockError == EBUSY) {
        reason += DriveMessages::tr("; its door stays locked while another program has the drive open");
        if (!f.holders.empty()) reason += QStringLiteral(": ") + programs(f.holders);
    }
    if (f.doorLockedAgain)
        reason += DriveMessages::tr("; its door was locked again, since another program holds the drive");
    if (f.relockError != 0)
        reason += DriveMessages::tr("; its door could not be locked again (%1)").arg(errorWords(f.relockError));
    return reason;
}

} // namespace

QString failureReason(const DriveFailure& f)
{
    using K = FailureKind;
    const bool opening = f.action == DriveAction::Open;
    switch (f.kind) {
    case K::NoDrive:
        return DriveMessages::tr("no CD drive found (no /dev/cdrom, no /dev/sr*)");
    case K::NoSuchDevice:
        return DriveMessages::tr("no such device");
    case K::NotCdDrive:
        return DriveMessages::tr("not a CD drive");
    case K::PermissionDenied:
        return permissionRemedy();
    case K::Unplugged:
        return DriveMessages::tr("no drive answers at this device node (unplugged?)");
    case K::OpenedExclusively:
        return DriveMessages::tr("another program has the drive open exclusively");
    case K::CannotOpen:
        return DriveMessages::tr("cannot open the device (%1)").arg(errorWords(f.error));
    case K::CannotExamine:
        return DriveMessages::tr("cannot examine the device (%1)").arg(errorWords(f.error));
    case K::CommandRunning:
        return DriveMessages::tr("another tray command is running on this drive; try again when it is done");
    case K::HeldExclusively:
        return DriveMessages::tr(
            "another program holds the drive for itself (writing a disc?); try again when it is done");
    case K::StillExamined:
        return DriveMessages::tr(
            "the system is still examining the drive (a disc just went in?); try again in a moment");
    case K::CannotReadMountTable:
        return DriveMessages::tr("cannot read the mount table %1 (%2), so the disc may still be mounted")
            .arg(text(f.mountTable), errorWords(f.error));
    case K::MountCovered:
        return DriveMessages::tr(
                   "the disc's filesystem on %1 lies under another one mounted there (%2); unmount that first")
            .arg(text(f.mountPoint), text(f.otherSource));
    case K::UnmountIneffective:
        return DriveMessages::tr("%1 is still mounted after umount said it had unmounted it").arg(text(f.mountPoint));
    case K::CannotRunUmount:
        return DriveMessages::tr("cannot run %1 to unmount %2 (%3)")
            .arg(f.program.empty() ? QStringLiteral("umount") : text(f.program), text(f.mountPoint),
                 errorWords(f.error));
    case K::UmountTimedOut:
        return umountStopped(f);
    case K::UnmountNotAllowed:
        return withToolMessage(DriveMessages::tr("not allowed to unmount %1").arg(text(f.mountPoint)), f) +
               DriveMessages::tr("; unmount it where it was mounted (the file manager, or as root) and try again");
    case K::DiscInUse: {
        const QString sentence = withToolMessage(
            DriveMessages::tr("the disc is in use: %1 could not be unmounted").arg(text(f.mountPoint)), f);
        if (f.holders.empty()) return sentence + DriveMessages::tr("; close whatever uses it and try again");
        return sentence + (f.holders.size() == 1 ? DriveMessages::tr("; it is held by %1; close it and try again")
                                                 : DriveMessages::tr("; it is held by %1; close them and try again"))
                              .arg(programs(f.holders));
    }
    case K::TooManyMounts:
        return DriveMessages::tr("the disc is still mounted after many unmounts");
    case K::Remounted:
        return DriveMessages::tr("the disc was mounted again on %1 while the tray was being opened; the tray stays "
                                 "shut; try again")
            .arg(text(f.mountPoint));
    case K::CannotMoveTray:
        return opening ? DriveMessages::tr("the drive cannot open its tray by itself")
                       : DriveMessages::tr("the drive cannot close its tray (slot-loading and most laptop drives "
                                           "cannot); push it in by hand");
    case K::DriveInUse: {
        const QString by = f.holders.empty() ? QString() : QStringLiteral(": ") + programs(f.holders);
        return DriveMessages::tr("the drive is in use by another program%1; close it and try again").arg(by);
    }
    case K::DriveRefused:
        return driveRefused(f);
    case K::CannotReadState:
        return errorWords(f.error);
    case K::StateUnknowable:
        return DriveMessages::tr("this system cannot tell whether the tray is open");
    case K::UnknownCommand:
        return DriveMessages::tr("unknown media-control command \"%1\"").arg(text(f.toolMessage));
    case K::MediaControlError: {
        const QString code = DriveMessages::tr("the media-control interface answered error %1").arg(f.error);
        return f.toolMessage.empty() ? code : code + QStringLiteral(" (%1)").arg(text(f.toolMessage));
    }
    }
    return DriveMessages::tr("an unknown failure");
}

namespace {

// "<device>: <words>", or the words alone when no device was found.
QString onDevice(const DriveFailure& failure, const QString& words)
{
    return failure.device.empty() ? words : text(failure.device) + QStringLiteral(": ") + words;
}

} // namespace

QString failureBody(const DriveFailure& failure) { return onDevice(failure, failureReason(failure)); }

QString failureSummary(const DriveFailure& failure)
{
    switch (failure.action) {
    case DriveAction::Open:
        return DriveMessages::tr("The tray did not open");
    case DriveAction::Close:
        return DriveMessages::tr("The tray did not close");
    case DriveAction::ReadState:
        break;
    }
    return DriveMessages::tr("The tray's state could not be read");
}

std::string failureLine(const DriveFailure& failure)
{
    QString what;
    switch (failure.action) {
    case DriveAction::Open:
        what = DriveMessages::tr("cannot open the tray: %1");
        break;
    case DriveAction::Close:
        what = DriveMessages::tr("cannot close the tray: %1");
        break;
    case DriveAction::ReadState:
        what = DriveMessages::tr("cannot read the tray's state: %1");
        break;
    }
    return onDevice(failure, what.arg(failureReason(failure))).toStdString();
}

QString activityText(const DriveActivity& activity)
{
    return DriveMessages::tr("umount %1 (pid %2)").arg(text(activity.mountPoint)).arg(activity.pid);
}

std::string unfinishedCommandLine(const DriveActivity& activity)
{
    const QString line =
        activity.empty()
            ? DriveMessages::tr("the program ended while a tray command was still running; the disc may yet be "
                                "unmounted or the tray move")
            : DriveMessages::tr("the program ended while a tray command was still running (%1); the disc may yet "
                                "be unmounted or the tray move")
                  .arg(activityText(activity));
    return line.toStdString();
}

void setDiagnosticsSink(DiagnosticsSink sink)
{
    const std::lock_guard lock(sinkMutex);
    installedSink() = std::move(sink);
}

void reportDiagnostic(const std::string& line)
{
    DiagnosticsSink sink;
    {
        const std::lock_guard lock(sinkMutex);
        sink = installedSink();
    }
    if (sink) sink(line);
}

} // namespace vp
