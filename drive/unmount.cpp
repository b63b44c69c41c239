// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/unmount.h"

#include "drive/error_text.h"
#include "drive/mount_table.h"
#include "drive/process_use.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vp {

namespace {

constexpr auto kUmountTimeout = std::chrono::seconds(60);
// More rounds than any drive has mounts; a bound against a table that never settles.
constexpr int kMaxUnmounts = 64;

// Collapses a program's output to one line of at most a few hundred characters.
std::string oneLine(const std::string& output)
{
    std::string line;
    for (const char c : output) {
        const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (space) {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.size() > 300) line = line.substr(0, 300) + "...";
    return line;
}

// Reads the child's output until it closes it or the deadline passes.
// Answers false on the deadline.
bool readUntilClosed(int fd, std::string& output, std::chrono::steady_clock::time_point deadline)
{
    char buffer[1024];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return false;
        if (ready < 0) return true; // nothing more can be read
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        if (output.size() < 4096) output.append(buffer, static_cast<std::size_t>(got));
    }
}

// The argument and environment vectors of a spawned program, kept alive here.
struct Vector {
    explicit Vector(std::vector<std::string> words) : strings(std::move(words))
    {
        for (auto& word : strings) pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};

std::string withMessage(const std::string& text, const UmountResult& result)
{
    return result.message.empty() ? text : text + " (" + result.message + ")";
}

} // namespace

std::string systemUmountProgram()
{
    for (const char* program : {"/usr/bin/umount", "/bin/umount"})
        if (::access(program, X_OK) == 0) return program;
    return {};
}

UmountResult runUmount(const std::string& program, const std::string& target)
{
    UmountResult result;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    // A program started with standard descriptors closed would get the pipe
    // among them, and the child's redirections would then clobber it.
    for (int& end : pipe) {
        if (end > STDERR_FILENO) continue;
        const int moved = ::fcntl(end, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(end);
        end = moved;
    }
    if (pipe[0] < 0 || pipe[1] < 0) {
        result.spawnError = errno;
        for (const int end : pipe)
            if (end >= 0) ::close(end);
        return result;
    }
    // The child gets /dev/null, the write end as stdout and stderr (dup2
    // clears close-on-exec there), and no other descriptor of ours; its
    // signals start at their defaults, none blocked.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    sigdelset(&signals, SIGKILL);
    sigdelset(&signals, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    Vector arguments({"umount", target});
    Vector environment({"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"});
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, &attributes, arguments.pointers.data(),
                                      environment.pointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipe[1]);
    if (spawned != 0) {
        ::close(pipe[0]);
        result.spawnError = spawned;
        return result;
    }

    std::string output;
    if (!readUntilClosed(pipe[0], output, std::chrono::steady_clock::now() + kUmountTimeout)) {
        ::kill(child, SIGKILL);
        output += "\n(no answer within a minute; stopped)";
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    result.exitStatus = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.message = oneLine(output);
    return result;
}

int unmountDevice(dev_t device, const std::string& table, const std::string& umountProgram, std::string& reason)
{
    std::vector<std::pair<int, std::string>> unmounted;
    for (int round = 0; round < kMaxUnmounts; ++round) {
        std::vector<MountEntry> entries;
        if (const int error = readMountTable(table, entries); error != 0) {
            reason = "cannot read the mount table " + table + " (" + errorText(error) +
                     "), so the disc may still be mounted";
            return error;
        }
        const auto mounts = mountsOf(entries, device);
        if (mounts.empty()) return 0;
        const MountEntry& top = mounts.front();

        // umount(8) takes the topmost filesystem at a mount point; when
        // another one sits on the disc's, that is what it would remove.
        const auto own = std::find_if(entries.rbegin(), entries.rend(),
                                      [&](const MountEntry& entry) { return entry.device == device; });
        const auto cover = std::find_if(entries.rbegin(), own,
                                        [&](const MountEntry& entry) { return entry.target == top.target; });
        if (cover != own) {
            reason = "the disc's filesystem on " + top.target + " lies under another one mounted there (" +
                     cover->source + "); unmount that first";
            return EBUSY;
        }
        const std::pair<int, std::string> key(top.id, top.target);
        if (std::find(unmounted.begin(), unmounted.end(), key) != unmounted.end()) {
            reason = top.target + " is still mounted after umount said it had unmounted it";
            return EBUSY;
        }
        unmounted.push_back(key);

        const UmountResult result = runUmount(umountProgram, top.target);
        if (result.spawnError != 0) {
            reason = "cannot run " + (umountProgram.empty() ? std::string("umount") : umountProgram) +
                     " to unmount " + top.target + " (" + errorText(result.spawnError) + ")";
            return result.spawnError;
        }
        if (result.exitStatus == 0) continue;
        // umount runs in the C locale, so its words tell a refusal apart
        // from a busy disc (its exit status is the same for both).
        const auto says = [&](const char* words) { return result.message.find(words) != std::string::npos; };
        if (says("superuser") || says("not permitted") || says("ermission denied")) {
            reason = withMessage("not allowed to unmount " + top.target, result) +
                     "; unmount it where it was mounted (the file manager, or as root) and try again";
            return EPERM;
        }
        const auto holders = processesUsing(top.target);
        reason = withMessage("the disc is in use: " + top.target + " could not be unmounted", result);
        if (holders.empty())
            reason += "; close whatever uses it and try again";
        else
            reason += "; it is held by " + describeProcesses(holders) + "; close " +
                      (holders.size() == 1 ? "it" : "them") + " and try again";
        return EBUSY;
    }
    reason = "the disc is still mounted after " + std::to_string(kMaxUnmounts) + " unmounts";
    return EBUSY;
}

} // namespace vp
