// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/mount_table.h"

#include <cerrno>
#include <memory>

#include <dlfcn.h>
#include <libmount/libmount.h>

namespace vp {

namespace {

// libmount is loaded when a mount table is first read, not when the program
// starts: only opening a tray needs it, and with the libraries it brings it
// would cost every start time and memory.
struct Libmount {
    decltype(&mnt_new_table) newTable = nullptr;
    decltype(&mnt_unref_table) unrefTable = nullptr;
    decltype(&mnt_new_iter) newIter = nullptr;
    decltype(&mnt_free_iter) freeIter = nullptr;
    decltype(&mnt_table_set_parser_errcb) setParserErrcb = nullptr;
    decltype(&mnt_table_parse_file) parseFile = nullptr;
    decltype(&mnt_table_next_fs) nextFs = nullptr;
    decltype(&mnt_fs_get_id) fsId = nullptr;
    decltype(&mnt_fs_get_devno) fsDevno = nullptr;
    decltype(&mnt_fs_get_source) fsSource = nullptr;
    decltype(&mnt_fs_get_target) fsTarget = nullptr;
    bool loaded = false;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

Libmount loadLibmount()
{
    Libmount lib;
    // Never unloaded: the table functions stay valid for the program's life.
    void* library = ::dlopen("libmount.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) return lib;
    lib.loaded = bind(library, "mnt_new_table", lib.newTable) && bind(library, "mnt_unref_table", lib.unrefTable) &&
                 bind(library, "mnt_new_iter", lib.newIter) && bind(library, "mnt_free_iter", lib.freeIter) &&
                 bind(library, "mnt_table_set_parser_errcb", lib.setParserErrcb) &&
                 bind(library, "mnt_table_parse_file", lib.parseFile) &&
                 bind(library, "mnt_table_next_fs", lib.nextFs) && bind(library, "mnt_fs_get_id", lib.fsId) &&
                 bind(library, "mnt_fs_get_devno", lib.fsDevno) && bind(library, "mnt_fs_get_source", lib.fsSource) &&
                 bind(library, "mnt_fs_get_target", lib.fsTarget);
    return lib;
}

const Libmount& libmount()
{
    static const Libmount lib = loadLibmount();
    return lib;
}

struct TableDeleter {
    void operator()(libmnt_table* table) const { libmount().unrefTable(table); }
};
struct IterDeleter {
    void operator()(libmnt_iter* iter) const { libmount().freeIter(iter); }
};

std::string text(const char* value) { return value ? value : ""; }

// libmount skips a line it cannot parse unless told otherwise; a skipped line
// might be the drive's own mount, so a table with one is not read at all.
int refuseBadLine(libmnt_table*, const char*, int) { return -EINVAL; }

} // namespace

int readMountTable(const std::string& table, std::vector<MountEntry>& entries)
{
    entries.clear();
    const Libmount& lib = libmount();
    if (!lib.loaded) return ELIBACC;
    const std::unique_ptr<libmnt_table, TableDeleter> parsed(lib.newTable());
    const std::unique_ptr<libmnt_iter, IterDeleter> iter(lib.newIter(MNT_ITER_FORWARD));
    if (!parsed || !iter) return ENOMEM;
    lib.setParserErrcb(parsed.get(), refuseBadLine);
    if (const int result = lib.parseFile(parsed.get(), table.c_str()); result != 0)
        return result < 0 ? -result : EINVAL;
    libmnt_fs* fs = nullptr;
    while (lib.nextFs(parsed.get(), iter.get(), &fs) == 0)
        entries.push_back({lib.fsId(fs), lib.fsDevno(fs), text(lib.fsSource(fs)), text(lib.fsTarget(fs))});
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
