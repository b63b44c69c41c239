// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A media-control backend that only remembers what it was asked to do; used
// by tests and fuzzers in place of a real drive. It can be made as slow as a
// real drive, tells whether a command is under way at this moment, and can
// write down when each command began and ended for a harness outside the
// program.

#include "drive/diagnostics.h"
#include "drive/media_control.h"
#include "runtime/runtime_error.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace vp {

class RecordingMediaControl : public MediaControl {
public:
    int send(const std::string& command) override
    {
        if (failWith) throw RuntimeError(*failWith, "media control unavailable");
        busy = true;
        write("begin", command);
        const ActivityNote note(activity);
        if (takes.count() > 0) std::this_thread::sleep_for(takes);
        commands.push_back(command);
        write("end", command);
        busy = false;
        return result;
    }

    std::vector<std::string> commands;
    int result = 0;                      // error code handed back for every command
    const ErrorCode* failWith = nullptr; // when set, every call throws this error
    std::chrono::milliseconds takes{0};  // how long each command keeps the drive busy
    std::atomic<bool> busy{false};       // a command is under way
    DriveActivity activity;              // what the drive layer says is under way meanwhile
    // When set, gets a line "begin|end SECONDS COMMAND" as each command
    // begins and ends, SECONDS on the wall clock (since 1970), so that
    // another process can set it against its own clock.
    std::FILE* journal = nullptr;

private:
    void write(const char* event, const std::string& command) const
    {
        if (!journal) return;
        const std::chrono::duration<double> now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(journal, "%s %.6f %s\n", event, now.count(), command.c_str());
        std::fflush(journal);
    }
};

} // namespace vp
