// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drive failure's kind and facts on one line, for tests and for the
// emulated machine's probe, which has no translations to word it with:
// "open disc-in-use /dev/sr0 error=EBUSY mount=/mnt says="..." holders=sleep(12)".
// Facts that are not set are left out.

#include "drive/diagnostics.h"
#include "drive/drive_result.h"

#include <string>

#include <string.h>

namespace vp {

inline std::string failureFacts(const DriveFailure& f)
{
    static const char* const actions[] = {"open", "close", "state"};
    const char* errorName = ::strerrorname_np(f.error);
    std::string line = std::string(actions[static_cast<int>(f.action)]) + " " + std::string(kindName(f.kind)) + " " +
                       (f.device.empty() ? "-" : f.device) + " error=" +
                       (errorName ? errorName : std::to_string(f.error));
    if (!f.mountPoint.empty()) line += " mount=" + f.mountPoint;
    if (!f.toolMessage.empty()) line += " says=\"" + f.toolMessage + "\"";
    if (!f.holders.empty()) {
        line += " holders=";
        for (std::size_t i = 0; i < f.holders.size(); ++i)
            line += (i ? "," : "") + f.holders[i].name + "(" + std::to_string(f.holders[i].pid) + ")";
    }
    if (!f.otherSource.empty()) line += " over=" + f.otherSource;
    if (!f.mountTable.empty()) line += " table=" + f.mountTable;
    if (!f.program.empty()) line += " program=" + f.program;
    if (f.deadline.count() != 0) line += " deadline=" + std::to_string(f.deadline.count()) + "ms";
    if (f.umountPid != 0) line += " pid=" + std::to_string(f.umountPid);
    if (f.stillRunning) line += " still-running";
    if (f.unlockError != 0) line += " unlock=" + std::to_string(f.unlockError);
    if (f.doorLockedAgain) line += " door=locked-again";
    if (f.relockError != 0) line += " relock=" + std::to_string(f.relockError);
    return printableLine(line);
}

} // namespace vp
