// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A media-control backend that only remembers what it was asked to do; used
// by tests and fuzzers in place of a real drive.

#include "drive/media_control.h"
#include "runtime/runtime_error.h"

#include <string>
#include <vector>

namespace vp {

class RecordingMediaControl : public MediaControl {
public:
    int send(const std::string& command) override
    {
        if (failWith) throw RuntimeError(*failWith, "media control unavailable");
        commands.push_back(command);
        return result;
    }

    std::vector<std::string> commands;
    int result = 0;                      // error code handed back for every command
    const ErrorCode* failWith = nullptr; // when set, every call throws this error
};

} // namespace vp
