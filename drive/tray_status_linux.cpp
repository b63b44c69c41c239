// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's state on Linux: CDROM_DRIVE_STATUS on the checked, locked drive.

#include "drive/tray_status.h"

#include "drive/cd_drive.h"
#include "drive/drive_result.h"
#include "drive/linux_media_control.h"

#include <cerrno>

#include <linux/cdrom.h>

namespace vp {

TrayState trayState(const std::string& devicePath, const LinuxDriveSystem& system)
{
    DriveFailure failure;
    if (devicePath.empty()) {
        failure.kind = FailureKind::NoDrive;
        failure.error = ENODEV;
    } else {
        const CdDrive drive(devicePath, system);
        failure = drive.failure();
        if (drive.error() == 0) {
            const int status = drive.call(CDROM_DRIVE_STATUS, CDSL_CURRENT);
            if (status >= 0) return status == CDS_TRAY_OPEN ? TrayState::Open : TrayState::Closed;
            failure.kind = FailureKind::CannotReadState;
            failure.error = errno;
        }
        failure.device = devicePath;
    }
    failure.action = DriveAction::ReadState;
    reportFailure(failure);
    return TrayState::Unknown;
}

TrayState queryTrayState(const std::string& devicePath)
{
    return trayState(devicePath.empty() ? findDefaultCdDrive() : devicePath);
}

} // namespace vp
