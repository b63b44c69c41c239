// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The guest's workload in the real-drive test: a tiny command server on the
// serial console. The host sends one command per line and watches the
// emulated drive from outside; every reply line starts with "VP: " and each
// command ends with "VP: ready", so the host knows when a step is over.
//
//   find                 which drive the backend would use
//   drive VERB [ARG]     Module1::DriveCommand(VERB, ARG), as the buttons call it
//   user VERB [ARG]      the same in a child process running as an ordinary user
//                        (uid and gid 1000), as the program runs on a desktop
//   mount [DIR]          mount the disc read-only on DIR (default /mnt; iso9660)
//                        with the system call; again on the same DIR stacks it
//   umount [DIR]         unmount DIR with the system call
//   mounts               print /proc/mounts
//   read FILE            print the first line of /mnt/FILE
//   run WHO [NAME=VALUE ...] PROGRAM ...
//                        run a program (absolute path) as WHO, "root" or "user",
//                        with those variables added to its environment, and
//                        print its standard output, standard error and exit status
//   hold WHO FILE        start /bin/sleep as WHO with FILE open on descriptor 3,
//                        in the background, as a program reading a disc would
//   release              end every program started by hold
//   remount-in-gap       hold a shared lock on the drive, as udev does, until /mnt
//                        is unmounted, and mount the disc there again 0.5 s later
//   refuse-eject         the next CDROMEJECT fails with EIO without reaching the
//                        kernel, as a drive refusing it would answer; every other
//                        ioctl reaches the kernel as it is
//   dmesg                print the kernel log
//   quit                 power the machine off
//
// The tray commands reach the drive through the program's own Linux backend,
// with its own device discovery. The backend is wrapped once in a pass-through
// that only writes down the error code the backend returned (which
// DriveCommand ignores), so the log can say what the kernel answered. Each
// failure goes to standard error as its kind and facts, framed like every
// other reply (tests/support/failure_facts.h).
//
// Started as "probe --sigchld-ignored PROGRAM ARGUMENTS...", it is a launcher
// instead: it runs PROGRAM with SIGCHLD ignored, as some hotkey daemons and
// launchers start programs (an ignored signal stays ignored across exec).

#include "drive/diagnostics.h"
#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "runtime/runtime_error.h"
#include "tests/support/failure_facts.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/klog.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <termios.h>
#include <unistd.h>

namespace {

void say(const std::string& line)
{
    // Whole lines with one write each, so kernel messages cannot split them.
    const std::string text = "VP: " + line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) < 0) {
        // Nothing sensible to do: the console is the only channel.
    }
}

std::string errorText(int code)
{
    if (code == 0) return "0 (success)";
    return std::to_string(code) + " (" + std::strerror(code) + ")";
}

class ObservedControl : public vp::MediaControl {
public:
    explicit ObservedControl(std::unique_ptr<vp::MediaControl> backend) : backend_(std::move(backend)) {}

    int send(const std::string& command) override
    {
        const int code = backend_->send(command);
        say("backend \"" + command + "\" -> " + errorText(code));
        return code;
    }

private:
    std::unique_ptr<vp::MediaControl> backend_;
};

std::atomic<bool> refuseNextEject{false};

// The kernel's ioctl, but for an eject that refuse-eject asked to refuse.
vp::LinuxDriveSystem refusingWhenAsked()
{
    vp::LinuxDriveSystem system;
    system.ioctl = [](int fd, unsigned long request, unsigned long argument) {
        if (request == CDROMEJECT && refuseNextEject.exchange(false)) {
            errno = EIO;
            return -1;
        }
        return ::ioctl(fd, request, argument);
    };
    return system;
}

void driveCommand(const std::string& verb, const std::string& argument)
{
    say("drive " + verb + " begin");
    try {
        vp::Module1::DriveCommand(verb, argument);
        say("drive " + verb + " returned");
    } catch (const vp::RuntimeError& error) {
        say("drive " + verb + " raised run-time error " + std::to_string(static_cast<int>(error.code())) +
            ": " + error.what());
    } catch (const std::exception& error) {
        say("drive " + verb + " threw " + error.what());
    }
}

// In a child process: becomes the ordinary user (uid and gid 1000, no other
// groups) or ends the child.
void becomeUser()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(1000) != 0 || ::setuid(1000) != 0) {
        say("cannot become an ordinary user " + errorText(errno));
        ::_exit(2);
    }
}

void driveCommandAsUser(const std::string& verb, const std::string& argument)
{
    const pid_t child = ::fork();
    if (child < 0) {
        say("fork failed " + errorText(errno));
        return;
    }
    if (child == 0) {
        becomeUser();
        say("running as uid " + std::to_string(::getuid()));
        driveCommand(verb, argument);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        say("user process ended abnormally, status " + std::to_string(status));
}

// Right after a disc goes in, the drive answers "not ready" for a moment, as a
// real one spinning up does; a person would simply try again.
void mountDisc(const std::string& directory)
{
    const std::string device = vp::findDefaultCdDrive();
    int error = 0;
    for (int attempt = 1; attempt <= 20; ++attempt) {
        if (::mount(device.c_str(), directory.c_str(), "iso9660", MS_RDONLY, nullptr) == 0) {
            say("mount " + device + " on " + directory + " ok (attempt " + std::to_string(attempt) + ")");
            return;
        }
        error = errno;
        ::usleep(100 * 1000);
    }
    say("mount " + device + " on " + directory + " failed " + errorText(error));
}

void printMounts()
{
    std::ifstream mounts("/proc/mounts");
    for (std::string line; std::getline(mounts, line);) say("mounts " + line);
}

// Runs a program as root or as the ordinary user, with nothing on its standard
// input and the NAME=VALUE words before it added to its environment, and
// relays its standard output ("out") and standard error ("err") line by line,
// then how it ended.
void runProgram(const std::string& who, const std::vector<std::string>& words)
{
    auto program = words.begin();
    while (program != words.end() && program->find('=') != std::string::npos) ++program;
    if (program == words.end()) return;
    int out[2], err[2];
    if (::pipe(out) != 0) return;
    if (::pipe(err) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (who == "user") becomeUser();
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1], nothing}) if (fd > STDERR_FILENO) ::close(fd);
        for (auto setting = words.begin(); setting != program; ++setting)
            ::putenv(const_cast<char*>(setting->c_str()));
        std::vector<char*> argv;
        for (auto word = program; word != words.end(); ++word) argv.push_back(const_cast<char*>(word->c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::fprintf(stderr, "exec failed: %s\n", std::strerror(errno));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    // Both pipes at once, so a program that fills one cannot stall on it.
    std::string text[2];
    pollfd pipes[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int open = 2; open > 0;) {
        if (::poll(pipes, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (pipes[i].fd < 0 || pipes[i].revents == 0) continue;
            char buffer[512];
            const ssize_t got = ::read(pipes[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                text[i].append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(pipes[i].fd);
                pipes[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& pipe : pipes) if (pipe.fd >= 0) ::close(pipe.fd);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int i = 0; i < 2; ++i) {
        std::istringstream lines(text[i]);
        for (std::string line; std::getline(lines, line);) say((i == 0 ? "out " : "err ") + line);
    }
    if (WIFSIGNALED(status))
        say("run " + *program + " killed by signal " + std::to_string(WTERMSIG(status)));
    else
        say("run " + *program + " exit " + std::to_string(WEXITSTATUS(status)));
}

std::vector<pid_t> holders;

// A program that keeps a file open until it is released, as a reader or a
// player of a disc does.
void hold(const std::string& who, const std::string& file)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (who == "user") becomeUser();
        const int fd = ::open(file.c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, 3) < 0 || ::chdir("/") != 0) {
            say("hold cannot open " + file + " " + errorText(errno));
            ::_exit(1);
        }
        ::execl("/bin/sleep", "sleep", "100000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child < 0) return;
    // Answer only once the sleeper runs with the file open.
    const std::string proc = "/proc/" + std::to_string(child);
    for (int i = 0; i < 100; ++i, ::usleep(20 * 1000)) {
        std::string name;
        std::getline(std::ifstream(proc + "/comm"), name);
        if (name == "sleep" && ::access((proc + "/fd/3").c_str(), F_OK) == 0) {
            holders.push_back(child);
            say("hold pid " + std::to_string(child) + " has " + file + " open");
            return;
        }
    }
    say("hold failed");
}

// The gap between a tray command's unmount and its ioctls, played.
void remountInGap(const std::string& directory)
{
    const std::string device = vp::findDefaultCdDrive();
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat disc {};
    const bool ready = ::flock(fd, LOCK_SH) == 0 && ::stat(directory.c_str(), &disc) == 0;
    const pid_t child = ready ? ::fork() : -1;
    if (child == 0) {
        struct stat now = disc;
        for (int i = 0; i < 1000 && now.st_dev == disc.st_dev && ::stat(directory.c_str(), &now) == 0; ++i) ::usleep(5000);
        ::usleep(500 * 1000); // once the command has seen the table without it
        const bool again = ::mount(device.c_str(), directory.c_str(), "iso9660", MS_RDONLY, nullptr) == 0;
        say(std::string("remount-in-gap: ") + (again ? "mounted again" : "mount failed " + errorText(errno)));
        ::_exit(0);
    }
    if (fd >= 0) ::close(fd); // the child keeps the lock
    if (child > 0) holders.push_back(child);
    say(child > 0 ? "remount-in-gap holds " + device + " shared until " + directory + " is unmounted"
                  : "remount-in-gap failed " + errorText(errno));
}

void release()
{
    for (const pid_t holder : holders) {
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
    }
    say("released " + std::to_string(holders.size()));
    holders.clear();
}

void readFile(const std::string& name)
{
    std::FILE* file = std::fopen(("/mnt/" + name).c_str(), "r");
    if (!file) {
        say("read " + name + " failed " + errorText(errno));
        return;
    }
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    say("read " + name + " \"" + text + "\"");
}

void printKernelLog()
{
    const int size = ::klogctl(10 /* SYSLOG_ACTION_SIZE_BUFFER */, nullptr, 0);
    if (size <= 0) return;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    const int length = ::klogctl(3 /* SYSLOG_ACTION_READ_ALL */, buffer.data(), size);
    std::istringstream lines(std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0));
    for (std::string line; std::getline(lines, line);) say("dmesg " + line);
}

void quietConsole()
{
    termios mode{};
    if (::tcgetattr(STDIN_FILENO, &mode) != 0) return;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "--sigchld-ignored") == 0) {
        ::signal(SIGCHLD, SIG_IGN);
        ::execv(argv[2], argv + 2);
        std::fprintf(stderr, "exec %s failed: %s\n", argv[2], std::strerror(errno));
        return 127;
    }
    quietConsole();
    vp::Module1::setMediaControl(
        std::make_shared<ObservedControl>(std::make_unique<vp::LinuxMediaControl>(std::string(), refusingWhenAsked())));
    vp::Module1::setInformationBox([](const std::string& text, const std::string& title) {
        say("information box \"" + text + "\" titled \"" + title + "\"");
    });
    vp::setFailureSink([](const vp::DriveFailure& failure) {
        const std::string text = "VP: stderr vorkula-ponkka: " + vp::failureFacts(failure) + "\n";
        if (::write(STDERR_FILENO, text.data(), text.size()) < 0) {
            // As with say(): the console is the only channel.
        }
    });

    say("ready");
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "find") {
            const std::string device = vp::findDefaultCdDrive();
            say("find " + (device.empty() ? std::string("(none)") : device));
        } else if (command == "drive") {
            std::string verb, argument;
            words >> verb;
            std::getline(words >> std::ws, argument);
            driveCommand(verb, argument);
        } else if (command == "user") {
            std::string verb, argument;
            words >> verb;
            std::getline(words >> std::ws, argument);
            driveCommandAsUser(verb, argument);
        } else if (command == "mount") {
            std::string directory = "/mnt";
            words >> directory;
            mountDisc(directory);
        } else if (command == "umount") {
            std::string directory = "/mnt";
            words >> directory;
            say(::umount(directory.c_str()) == 0 ? "umount ok" : "umount failed " + errorText(errno));
        } else if (command == "mounts") {
            printMounts();
        } else if (command == "run" || command == "hold") {
            std::string who;
            std::vector<std::string> rest;
            words >> who;
            for (std::string word; words >> word;) rest.push_back(word);
            if (command == "hold")
                hold(who, rest.empty() ? std::string() : rest[0]);
            else
                runProgram(who, rest);
        } else if (command == "remount-in-gap") {
            remountInGap("/mnt");
        } else if (command == "release") {
            release();
        } else if (command == "read") {
            std::string name;
            words >> name;
            readFile(name);
        } else if (command == "refuse-eject") {
            refuseNextEject = true;
            say("the next eject will be refused");
        } else if (command == "dmesg") {
            printKernelLog();
        } else if (command == "quit") {
            say("power off");
            ::sync();
            ::reboot(RB_POWER_OFF);
        } else if (!command.empty()) {
            say("unknown command " + command);
        }
        say("ready");
    }
    say("console closed");
    ::reboot(RB_POWER_OFF);
    return 0;
}
