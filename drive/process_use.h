// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which programs hold a path: the names a person needs to close before a
// disc can be unmounted or a drive let go.

#include <chrono>
#include <string>
#include <vector>

namespace vp {

struct ProcessUse {
    int pid = 0;
    std::string name; // the program's name as the kernel keeps it (comm)
};

// Processes other than this one whose working directory, root, program or an
// open file is `path` or lies below it. Only what /proc lets this user see:
// another user's processes are simply not found. The scan ends after `budget`
// and answers with what it has found by then.
std::vector<ProcessUse> processesUsing(const std::string& path,
                                       std::chrono::milliseconds budget = std::chrono::milliseconds(250),
                                       const std::string& proc = "/proc");

} // namespace vp
