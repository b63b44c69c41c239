// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a drive's tray stands open, as the drive itself tells it. Used to
// toggle the tray from one keyboard shortcut.

#include <string>

namespace vp {

enum class TrayState {
    Open,    // the drive says its tray is open
    Closed,  // anything else the drive says: no disc, a disc, not ready, no information
    Unknown, // the drive could not be asked; a diagnostic line says why
};

// Asks the drive at `devicePath` (the system's default drive when empty).
// Linux only; elsewhere the answer is always Unknown, with a diagnostic line.
TrayState queryTrayState(const std::string& devicePath = {});

} // namespace vp
