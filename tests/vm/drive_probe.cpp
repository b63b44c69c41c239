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
//   mount | umount       mount the disc read-only on /mnt (iso9660), or unmount it
//   read FILE            print the first line of /mnt/FILE
//   dmesg                print the kernel log
//   quit                 power the machine off
//
// The tray commands reach the drive through the program's own Linux backend,
// with its own device discovery. The backend is wrapped once in a pass-through
// that only writes down the error code the backend returned (which
// DriveCommand ignores), so the log can say what the kernel answered.

#include "drive/linux_media_control.h"
#include "drive/module1.h"
#include "runtime/runtime_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/klog.h>
#include <sys/mount.h>
#include <sys/reboot.h>
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

// Right after a disc goes in, the drive answers "not ready" for a moment, as a
// real one spinning up does; a person would simply try again.
void driveCommandAsUser(const std::string& verb, const std::string& argument)
{
    const pid_t child = ::fork();
    if (child < 0) {
        say("fork failed " + errorText(errno));
        return;
    }
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(1000) != 0 || ::setuid(1000) != 0) {
            say("cannot become an ordinary user " + errorText(errno));
            ::_exit(2);
        }
        say("running as uid " + std::to_string(::getuid()));
        driveCommand(verb, argument);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        say("user process ended abnormally, status " + std::to_string(status));
}

void mountDisc()
{
    const std::string device = vp::findDefaultCdDrive();
    int error = 0;
    for (int attempt = 1; attempt <= 20; ++attempt) {
        if (::mount(device.c_str(), "/mnt", "iso9660", MS_RDONLY, nullptr) == 0) {
            say("mount " + device + " ok (attempt " + std::to_string(attempt) + ")");
            return;
        }
        error = errno;
        ::usleep(100 * 1000);
    }
    say("mount " + device + " failed " + errorText(error));
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

int main()
{
    quietConsole();
    vp::Module1::setMediaControl(std::make_shared<ObservedControl>(vp::makePlatformMediaControl()));
    vp::Module1::setInformationBox([](const std::string& text, const std::string& title) {
        say("information box \"" + text + "\" titled \"" + title + "\"");
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
            mountDisc();
        } else if (command == "umount") {
            say(::umount("/mnt") == 0 ? "umount ok" : "umount failed " + errorText(errno));
        } else if (command == "read") {
            std::string name;
            words >> name;
            readFile(name);
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
