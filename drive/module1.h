// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide module: the drive command dispatcher and the two action
// counters that live as long as the process.

#include "drive/media_control.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vp::Module1 {

// How many times the user has opened and closed the tray in this run.
extern std::int16_t OpenCount;
extern std::int16_t CloseCount;

// Carries out a three-letter verb: "opn" opens the tray, "cls" closes it,
// "msg" shows `argument` in an information box; any other verb does nothing.
// The verb is matched without regard to case. The drive's own error code is
// ignored; a RuntimeError from an unreachable media-control interface passes
// through to the caller.
void DriveCommand(std::string_view verb, std::string_view argument);

// Shows an information box (information icon, OK button) and returns when it
// is dismissed. The user interface installs it at start-up, which keeps this
// module free of any toolkit.
using InformationBox = std::function<void(const std::string& text, const std::string& title)>;
void setInformationBox(InformationBox box);

// Replaces the backend that reaches the drive. Until one is set, the
// platform's own backend is created on the first tray command.
void setMediaControl(std::shared_ptr<MediaControl> control);

} // namespace vp::Module1
