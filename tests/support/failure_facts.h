// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drive failure's kind and set facts on one line, for tests and the emulated machine's probe:
// "open disc-in-use /dev/sr0 error=EBUSY mount=/mnt says="..." holders=sleep(12)".

#include "drive/diagnostics.h"
#include "drive/drive_result.h"

#include <string>

#include <string.h>

namespace vp {

inline std::string failureFacts(const DriveFailure& f)
{
    const char* const actions[] = {"open", "close", "state"};
    const char* error = ::strerrorname_np(f.error);
    std::string line = std::string(actions[int(f.action)]) + " " + std::string(kindName(f.kind)) + " " +
                       (f.device.empty() ? "-" : f.device) + " error=" + (error ? error : std::to_string(f.error));
    const auto add = [&](bool set, const std::string& fact) { line += set ? " " + fact : ""; };
    add(!f.mountPoint.empty(), "mount=" + f.mountPoint);
    add(!f.toolMessage.empty(), "says=\"" + f.toolMessage + "\"");
    for (std::size_t i = 0; i < f.holders.size(); ++i)
        line += (i ? "," : " holders=") + f.holders[i].name + "(" + std::to_string(f.holders[i].pid) + ")";
    add(!f.otherSource.empty(), "over=" + f.otherSource);
    add(!f.mountTable.empty(), "table=" + f.mountTable);
    add(!f.program.empty(), "program=" + f.program);
    add(f.deadline.count() != 0, "deadline=" + std::to_string(f.deadline.count()) + "ms");
    add(f.umountPid != 0, "pid=" + std::to_string(f.umountPid) + (f.stillRunning ? " still-running" : ""));
    add(f.unlockError != 0, "unlock=" + std::to_string(f.unlockError));
    add(f.doorLockedAgain, "door=locked-again");
    add(f.relockError != 0, "relock=" + std::to_string(f.relockError));
    return printableLine(line);
}

} // namespace vp
