// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's state on Linux: CDROM_DRIVE_STATUS on the checked, locked drive.

#include "drive/tray_status.h"

#include "drive/cd_drive.h"
#include "drive/diagnostics.h"
#include "drive/error_text.h"
#include "drive/linux_media_control.h"

#include <cerrno>

#include <linux/cdrom.h>

namespace vp {

TrayState trayState(const std::string& devicePath, const LinuxDriveSystem& system)
{
    if (devicePath.empty()) {
        reportDiagnostic("cannot read the tray's state: no CD drive found (no /dev/cdrom, no /dev/sr*)");
        return TrayState::Unknown;
    }
    const CdDrive drive(devicePath, system);
    std::string reason = drive.reason();
    if (drive.error() == 0) {
        const int status = drive.call(CDROM_DRIVE_STATUS, CDSL_CURRENT);
        if (status >= 0) return status == CDS_TRAY_OPEN ? TrayState::Open : TrayState::Closed;
        reason = errorText(errno);
    }
    reportDiagnostic(devicePath + ": cannot read the tray's state: " + reason);
    return TrayState::Unknown;
}

TrayState queryTrayState(const std::string& devicePath)
{
    return trayState(devicePath.empty() ? findDefaultCdDrive() : devicePath);
}

} // namespace vp
