// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/mount_table.h"

#include <cerrno>
#include <memory>

#include <libmount/libmount.h>

namespace vp {

namespace {

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct IterDeleter {
    void operator()(libmnt_iter* iter) const { mnt_free_iter(iter); }
};

std::string text(const char* value) { return value ? value : ""; }

// libmount skips a line it cannot parse unless told otherwise; a skipped line
// might be the drive's own mount, so a table with one is not read at all.
int refuseBadLine(libmnt_table*, const char*, int) { return -EINVAL; }

} // namespace

int readMountTable(const std::string& table, std::vector<MountEntry>& entries)
{
    entries.clear();
    const std::unique_ptr<libmnt_table, TableDeleter> parsed(mnt_new_table());
    const std::unique_ptr<libmnt_iter, IterDeleter> iter(mnt_new_iter(MNT_ITER_FORWARD));
    if (!parsed || !iter) return ENOMEM;
    mnt_table_set_parser_errcb(parsed.get(), refuseBadLine);
    if (const int result = mnt_table_parse_file(parsed.get(), table.c_str()); result != 0)
        return result < 0 ? -result : EINVAL;
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(parsed.get(), iter.get(), &fs) == 0)
        entries.push_back({mnt_fs_get_id(fs), mnt_fs_get_devno(fs), text(mnt_fs_get_source(fs)),
                           text(mnt_fs_get_target(fs))});
    return 0;
}

std::vector<MountEntry> mountsOf(const std::vector<MountEntry>& entries, dev_t device)
{
    std::vector<MountEntry> mounts;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->device == device) mounts.push_back(*it);
    return mounts;
}

} // namespace vp
