// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform's media-control string interface, reduced to the one thing the
// program asks of it: carry out a whole command string and report an error
// code (0 on success). The code is the platform's; callers do not interpret it.

#include <memory>
#include <string>

namespace vp {

inline constexpr const char* kDoorOpenCommand = "set cdaudio door open";
inline constexpr const char* kDoorClosedCommand = "set cdaudio door closed";

class MediaControl {
public:
    virtual ~MediaControl() = default;
    // May throw RuntimeError when the interface itself cannot be reached
    // (for instance a missing system library); a drive that cannot move is
    // only an error code.
    virtual int send(const std::string& command) = 0;
};

// The backend for the platform the program was built for. `devicePath` names
// the drive where the platform addresses drives by path; empty means the
// system's default drive.
std::unique_ptr<MediaControl> makePlatformMediaControl(const std::string& devicePath = {});

} // namespace vp
