// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's state on Windows: the media-control interface cannot tell it.

#include "drive/tray_status.h"

#include "drive/diagnostics.h"

namespace vp {

TrayState queryTrayState(const std::string& devicePath)
{
    reportDiagnostic((devicePath.empty() ? std::string("cdaudio") : devicePath)
                     + ": this system cannot tell whether the tray is open");
    return TrayState::Unknown;
}

} // namespace vp
