// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/module1.h"

#include <utility>

namespace vp::Module1 {

std::int16_t OpenCount = 0;
std::int16_t CloseCount = 0;

namespace {

InformationBox& informationBox()
{
    static InformationBox box;
    return box;
}

std::shared_ptr<MediaControl>& installedControl()
{
    static std::shared_ptr<MediaControl> control;
    return control;
}

// Created lazily so that nothing platform-specific is touched before the
// first tray action.
MediaControl& mediaControl()
{
    auto& control = installedControl();
    if (!control) control = makePlatformMediaControl();
    return *control;
}

// Verbs are ASCII; folding only A-Z keeps the match independent of the
// process locale.
std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

void DriveCommand(std::string_view verb, std::string_view argument)
{
    const std::string command = lowerCase(verb);
    if (command == "opn") {
        mediaControl().send(kDoorOpenCommand); // the drive's error code is deliberately ignored
    } else if (command == "cls") {
        mediaControl().send(kDoorClosedCommand);
    } else if (command == "msg") {
        if (informationBox()) informationBox()(std::string(argument), "Information");
    }
}

void setInformationBox(InformationBox box) { informationBox() = std::move(box); }

void setMediaControl(std::shared_ptr<MediaControl> control) { installedControl() = std::move(control); }

} // namespace vp::Module1
