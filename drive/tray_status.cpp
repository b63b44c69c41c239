// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/tray_status.h"

#include "drive/diagnostics.h"

#ifdef __linux__
#include "drive/linux_media_control.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vp {

#ifdef __linux__

TrayState queryTrayState(const std::string& devicePath)
{
    const std::string device = devicePath.empty() ? findDefaultCdDrive() : devicePath;
    if (device.empty()) {
        reportDiagnostic("no CD drive found");
        return TrayState::Unknown;
    }
    // Opened as for moving the tray: read-only and non-blocking, so that an
    // open tray or an empty drive can still be asked.
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int status = -1;
    int error = errno;
    if (fd >= 0) {
        status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
        error = errno;
        ::close(fd);
    }
    if (status < 0) {
        reportDiagnostic(device + ": cannot read the tray's state: " + std::strerror(error));
        return TrayState::Unknown;
    }
    return status == CDS_TRAY_OPEN ? TrayState::Open : TrayState::Closed;
}

#else

TrayState queryTrayState(const std::string& devicePath)
{
    reportDiagnostic((devicePath.empty() ? std::string("cdaudio") : devicePath)
                     + ": this system cannot tell whether the tray is open");
    return TrayState::Unknown;
}

#endif

} // namespace vp
