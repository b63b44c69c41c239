// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's state on Windows: the media-control interface cannot tell it.

#include "drive/tray_status.h"

#include "drive/drive_result.h"

#include <cerrno>

namespace vp {

TrayState queryTrayState(const std::string& devicePath)
{
    DriveFailure failure;
    failure.action = DriveAction::ReadState;
    failure.kind = FailureKind::StateUnknowable;
    failure.device = devicePath.empty() ? std::string("cdaudio") : devicePath;
    failure.error = ENOSYS;
    reportFailure(failure);
    return TrayState::Unknown;
}

} // namespace vp
