// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/process_use.h"

#include <cstdlib>
#include <fstream>

#include <dirent.h>
#include <unistd.h>

namespace vp {

namespace {

// A directory stream closed on scope exit.
class Directory {
public:
    explicit Directory(const std::string& path) : dir_(::opendir(path.c_str())) {}
    ~Directory()
    {
        if (dir_) ::closedir(dir_);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    dirent* next() { return dir_ ? ::readdir(dir_) : nullptr; }

private:
    DIR* dir_;
};

std::string linkTarget(const std::string& link)
{
    char buffer[4096];
    const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

bool atOrBelow(const std::string& candidate, const std::string& path)
{
    if (candidate.compare(0, path.size(), path) != 0) return false;
    return candidate.size() == path.size() || path.back() == '/' || candidate[path.size()] == '/';
}

bool numeric(const char* name)
{
    if (!*name) return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9') return false;
    return true;
}

} // namespace

std::vector<ProcessUse> processesUsing(const std::string& path, std::chrono::milliseconds budget,
                                       const std::string& proc)
{
    std::vector<ProcessUse> found;
    if (path.empty()) return found;
    const auto deadline = std::chrono::steady_clock::now() + budget;
    const std::string self = std::to_string(::getpid());
    Directory processes(proc);
    while (dirent* entry = processes.next()) {
        if (std::chrono::steady_clock::now() > deadline) break;
        if (!numeric(entry->d_name) || self == entry->d_name) continue;
        const std::string base = proc + "/" + entry->d_name;
        bool uses = false;
        for (const char* link : {"cwd", "root", "exe"})
            uses = uses || atOrBelow(linkTarget(base + "/" + link), path);
        Directory files(base + "/fd");
        while (!uses) {
            const dirent* file = files.next();
            if (!file) break;
            uses = numeric(file->d_name) && atOrBelow(linkTarget(base + "/fd/" + file->d_name), path);
        }
        if (!uses) continue;
        std::string name;
        std::getline(std::ifstream(base + "/comm"), name);
        found.push_back({std::atoi(entry->d_name), name.empty() ? "?" : name});
    }
    return found;
}

} // namespace vp
