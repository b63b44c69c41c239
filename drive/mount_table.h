// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which filesystems are mounted from a drive. The mount table is read with
// util-linux's libmount, and a mount belongs to the drive when its device
// number is the drive's block device number: links such as /dev/cdrom and
// differently spelt sources all lead to the same number.

#include <string>
#include <vector>

#include <sys/types.h>

namespace vp {

struct MountEntry {
    int id = 0;          // the kernel's mount ID
    dev_t device = 0;    // major:minor of the mounted device
    std::string source;  // as the table spells it, e.g. /dev/sr0
    std::string target;  // the mount point
};

// Reads a table in mountinfo format into `entries`, in the table's own order
// (the oldest mount first). Returns 0 or an errno value; on failure, a line
// that cannot be parsed included, nothing is known about what is mounted.
int readMountTable(const std::string& table, std::vector<MountEntry>& entries);

// The entries mounted from `device`, the most recent first: the order in
// which they can be unmounted, since a later mount may sit on an earlier one.
std::vector<MountEntry> mountsOf(const std::vector<MountEntry>& entries, dev_t device);

} // namespace vp
