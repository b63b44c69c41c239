// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Unmounting a drive's filesystems before its tray opens, the way eject(1)
// does it: by running umount(8) for each mount point. umount is setuid, so an
// ordinary user may unmount what fstab lets users mount ("user", "users"),
// and it hands filesystems that the desktop mounted through UDisks2 to
// umount.udisks2.

#include "drive/drive_result.h"

#include <chrono>
#include <optional>
#include <string>

#include <sys/types.h>

namespace vp {

// /usr/bin/umount, else /bin/umount; empty when neither can be run.
std::string systemUmountProgram();

inline constexpr std::chrono::milliseconds kUmountDeadline{60000};

struct UmountResult {
    int spawnError = 0;       // errno value when the program could not be started
    int exitStatus = -1;      // its exit status; -1 when it did not exit normally
    bool stopped = false;     // still running at the deadline, so it was killed
    bool stillRunning = false; // ... and it, or another of its group, still lived a while after
    int pid = 0;              // its process ID, once started
    std::string message;      // what it wrote, on one line
};

// Runs `program` with the argument vector {"umount", target}: no shell, a
// minimal environment (PATH and the C locale, so its messages are in
// English), standard input from /dev/null, and none of this process's other
// file descriptors. Its exit status is read whatever this process does with
// SIGCHLD. It runs in a process group of its own, and one deadline covers
// its whole life: still running then, the whole group is killed, the child
// reaped, and the group waited for (a little) until none of it lives.
// Meanwhile an ActivityNote (drive/diagnostics.h) names it.
UmountResult runUmount(const std::string& program, const std::string& target,
                       std::chrono::milliseconds deadline = kUmountDeadline);

// Unmounts everything that the mount table `table` shows mounted from
// `device`, the most recent mount first, reading the table again after each
// unmount; done only when the table shows nothing of the device. A umount
// that fails because the mount is already gone (another unmount was quicker)
// counts as done. Stops at the first real failure, leaving the rest mounted,
// and answers it (kind, errno value and facts; the caller adds the device).
std::optional<DriveFailure> unmountDevice(dev_t device, const std::string& table, const std::string& umountProgram,
                                          std::chrono::milliseconds deadline);

} // namespace vp
