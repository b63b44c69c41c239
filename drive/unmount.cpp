// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/unmount.h"

#include "drive/diagnostics.h"
#include "drive/mount_table.h"
#include "drive/process_use.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vp {

namespace {

using Clock = std::chrono::steady_clock;

// More rounds than any drive has mounts; a bound against a table that never settles.
constexpr int kMaxUnmounts = 64;
// How long a killed umount may take to be gone: SIGKILL waits for a system
// call under way to return.
constexpr auto kReapGrace = std::chrono::seconds(2);

// Whether a process of the group `group` still lives. The kernel still
// counts a member that has ended but is not yet reaped (one left to init
// waits for it), so a group that answers is looked for in /proc too.
bool groupLives(pid_t group)
{
    if (::kill(-group, 0) != 0 && errno == ESRCH) return false;
    DIR* proc = ::opendir("/proc");
    if (!proc) return true;
    bool lives = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        // "PID (NAME) STATE PPID PGRP ...": NAME may hold anything, even ")".
        const auto end = line.rfind(')');
        if (end == std::string::npos) continue;
        std::istringstream fields(line.substr(end + 1));
        char state = 0;
        long parent = 0;
        long itsGroup = 0;
        if (fields >> state >> parent >> itsGroup && itsGroup == group && state != 'Z' && state != 'X') {
            lives = true;
            break;
        }
    }
    ::closedir(proc);
    return lives;
}

// Ends the whole group and waits, until `deadline`, for none of it to live
// (the child itself may be left unreaped). Answers whether none does.
bool endGroup(pid_t group, Clock::time_point deadline)
{
    for (;;) {
        // Again each time: a member may have started another meanwhile.
        ::kill(-group, SIGKILL);
        if (!groupLives(group)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

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

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 60000)) : 0;
}

// While it lives, SIGCHLD is at its default, so that the child's exit status
// can be read: started with SIGCHLD ignored (some hotkey daemons and launchers
// start programs so), the kernel would reap the child itself and waitpid()
// would fail with ECHILD. The setting is the whole process's; this program
// starts no other children, and the mutex keeps two unmounts (there is only
// ever one tray command) from mixing up what they restore. A handler that
// someone installed stays.
class ChildStatusKept {
public:
    ChildStatusKept() : lock_(mutex())
    {
        ::sigaction(SIGCHLD, nullptr, &saved_);
        const bool ignored = !(saved_.sa_flags & SA_SIGINFO) && saved_.sa_handler == SIG_IGN;
        if (!ignored && !(saved_.sa_flags & SA_NOCLDWAIT)) return;
        struct sigaction kept = saved_;
        if (ignored) kept.sa_handler = SIG_DFL;
        kept.sa_flags &= ~SA_NOCLDWAIT;
        changed_ = ::sigaction(SIGCHLD, &kept, nullptr) == 0;
    }
    ~ChildStatusKept()
    {
        if (changed_) ::sigaction(SIGCHLD, &saved_, nullptr);
    }
    ChildStatusKept(const ChildStatusKept&) = delete;
    ChildStatusKept& operator=(const ChildStatusKept&) = delete;

private:
    static std::mutex& mutex()
    {
        static std::mutex shared;
        return shared;
    }
    std::lock_guard<std::mutex> lock_;
    struct sigaction saved_ {};
    bool changed_ = false;
};

// Appends what can be read from `fd` now; answers false once it is closed.
bool readAvailable(int fd, std::string& text, int timeoutMs)
{
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, timeoutMs) <= 0) return true;
    char buffer[1024];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0 && text.size() < 4096) text.append(buffer, static_cast<std::size_t>(got));
    return got > 0 || (got < 0 && errno == EINTR);
}

// Watches the child until it ends or `deadline` passes, keeping what it
// writes. Answers whether it ended; `status` is then its wait status.
bool watchChild(pid_t child, int output, std::string& text, Clock::time_point deadline, int& status)
{
    // Between looks at the child the output is read as it comes; the pause
    // starts short (a umount takes milliseconds) and grows.
    int pause = 1;
    bool open = true;
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) break;
        if (ended < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        const int left = millisecondsUntil(deadline);
        if (left == 0) return false;
        const int wait = std::min(left, pause);
        if (open) {
            const std::size_t before = text.size();
            open = readAvailable(output, text, wait);
            if (!open) pause = 1; // it closes its output as it exits
            if (!open || text.size() != before) continue;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        }
        pause = std::min(pause * 2, 50);
    }
    // What it wrote just before it ended.
    while (open && text.size() < 4096) {
        const std::size_t before = text.size();
        open = readAvailable(output, text, 0);
        if (text.size() == before) break;
    }
    return true;
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

// Whether `table` still shows the mount with this ID; a table that cannot be
// read does not show it gone.
bool stillMounted(const std::string& table, int id)
{
    std::vector<MountEntry> entries;
    if (readMountTable(table, entries) != 0) return true;
    return std::any_of(entries.begin(), entries.end(), [id](const MountEntry& entry) { return entry.id == id; });
}

} // namespace

std::string systemUmountProgram()
{
    for (const char* program : {"/usr/bin/umount", "/bin/umount"})
        if (::access(program, X_OK) == 0) return program;
    return {};
}

UmountResult runUmount(const std::string& program, const std::string& target, std::chrono::milliseconds deadline)
{
    const auto end = Clock::now() + deadline;
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
    // signals start at their defaults, none blocked. It leads a process
    // group of its own, so that what it starts (umount.udisks2, which could
    // still unmount long after) can be stopped with it; a terminal's Ctrl+C
    // no longer reaches it, and the program's end does not stop it either.
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
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    Vector arguments({"umount", target});
    Vector environment({"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"});
    const ChildStatusKept statusKept;
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

    result.pid = child;
    const ActivityNote note({target, child});
    std::string output;
    int status = -1;
    if (!watchChild(child, pipe[0], output, end, status)) {
        // The whole group, the child's own group ID being its process ID. A
        // helper that left the group (a session of its own) is out of reach.
        result.stopped = true;
        const auto grace = Clock::now() + kReapGrace;
        const bool groupEnded = endGroup(child, grace);
        const bool reaped = watchChild(child, pipe[0], output, grace, status);
        result.stillRunning = !groupEnded || !reaped;
    }
    ::close(pipe[0]);
    result.exitStatus = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.message = oneLine(output);
    return result;
}

std::optional<DriveFailure> unmountDevice(dev_t device, const std::string& table, const std::string& umountProgram,
                                          std::chrono::milliseconds deadline)
{
    std::vector<std::pair<int, std::string>> unmounted;
    for (int round = 0; round < kMaxUnmounts; ++round) {
        std::vector<MountEntry> entries;
        if (const int error = readMountTable(table, entries); error != 0) {
            DriveFailure failure = driveFailure(FailureKind::CannotReadMountTable, error);
            failure.mountTable = table;
            return failure;
        }
        const auto mounts = mountsOf(entries, device);
        if (mounts.empty()) return std::nullopt;
        const MountEntry& top = mounts.front();

        // umount(8) takes the topmost filesystem at a mount point; when
        // another one sits on the disc's, that is what it would remove.
        const auto own = std::find_if(entries.rbegin(), entries.rend(),
                                      [&](const MountEntry& entry) { return entry.device == device; });
        const auto cover = std::find_if(entries.rbegin(), own,
                                        [&](const MountEntry& entry) { return entry.target == top.target; });
        if (cover != own) {
            DriveFailure failure = driveFailure(FailureKind::MountCovered, EBUSY, top.target);
            failure.otherSource = cover->source;
            return failure;
        }
        const std::pair<int, std::string> key(top.id, top.target);
        if (std::find(unmounted.begin(), unmounted.end(), key) != unmounted.end())
            return driveFailure(FailureKind::UnmountIneffective, EBUSY, top.target);
        unmounted.push_back(key);

        const UmountResult result = runUmount(umountProgram, top.target, deadline);
        if (result.spawnError != 0) {
            DriveFailure failure = driveFailure(FailureKind::CannotRunUmount, result.spawnError, top.target);
            failure.program = umountProgram;
            return failure;
        }
        if (result.stopped) {
            DriveFailure failure = driveFailure(FailureKind::UmountTimedOut, ETIMEDOUT, top.target);
            failure.toolMessage = result.message;
            failure.deadline = deadline;
            failure.umountPid = result.pid;
            failure.stillRunning = result.stillRunning;
            return failure;
        }
        // Another unmount may have been quicker ("not mounted"): what counts
        // is whether the mount is still in the table.
        if (result.exitStatus == 0 || !stillMounted(table, top.id)) continue;
        // umount runs in the C locale, so its words tell a refusal apart
        // from a busy disc (its exit status is the same for both).
        const auto says = [&](const char* words) { return result.message.find(words) != std::string::npos; };
        const bool refused = says("superuser") || says("not permitted") || says("ermission denied");
        DriveFailure failure =
            driveFailure(refused ? FailureKind::UnmountNotAllowed : FailureKind::DiscInUse, refused ? EPERM : EBUSY,
                      top.target);
        failure.toolMessage = result.message;
        if (!refused) failure.holders = processesUsing(top.target);
        return failure;
    }
    return driveFailure(FailureKind::TooManyMounts, EBUSY);
}

} // namespace vp
