// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A CD drive's surroundings made of files, for the Linux backend: a node
// that passes for a block device (11:0, the first SCSI CD drive), an ioctl
// that records every call and answers as told, a mount table in mountinfo
// format, and a umount(8) stand-in that really takes the most recent entry
// for its mount point out of that table, or fails, lingers or lies as told.

#include "drive/cd_drive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <linux/cdrom.h>
#include <sys/sysmacros.h>

namespace vp::test {

using Lines = std::vector<std::string>;
using IoctlCalls = std::vector<std::pair<unsigned long, unsigned long>>;

inline Lines readLines(const std::string& path)
{
    Lines lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

class FakeDriveSystem {
public:
    FakeDriveSystem()
    {
        const std::string dir = dir_.path().toStdString();
        // umountAnswers(): "unmount"; "gone" (unmounted by someone else
        // first, so "not mounted"); "say WORDS" (fails with those words);
        // "ignore" (succeeds and changes nothing); "hang" (closes its output
        // and stays, and so does a helper it starts, pid in "helper").
        std::ofstream(file("umount")) << "#!/bin/sh\n"
            "dir='" << dir << "'\n"
            "echo \"$1\" >> \"$dir/calls\"\n"
            "env > \"$dir/environment\"\n"
            "ls /proc/$$/fd > \"$dir/fds\"\n"
            // Whether udev could examine the drive meanwhile (a shared lock).
            "flock -n -s \"$dir/sr0\" true && echo free >> \"$dir/node\" || echo locked >> \"$dir/node\"\n"
            "forget() {\n"
            "  awk -v t=\"$1\" '{ l[NR] = $0; if ($5 == t) last = NR }"
            " END { for (i = 1; i <= NR; i++) if (i != last) print l[i] }' \"$dir/mountinfo\" > \"$dir/new\"\n"
            "  mv \"$dir/new\" \"$dir/mountinfo\"\n"
            "}\n"
            "read mode words < \"$dir/mode\"\n"
            "case $mode in\n"
            "unmount) forget \"$1\" ;;\n"
            "gone) forget \"$1\"; echo \"umount: $1: not mounted.\" >&2; exit 32 ;;\n"
            "say) echo \"umount: $1: $words\" >&2; exit 32 ;;\n"
            "hang) exec >&- 2>&-; sleep 30 & echo $! > \"$dir/helper\"; exec sleep 30 ;;\n"
            "esac\n";
        QFile::setPermissions(dir_.filePath("umount"), QFile::ReadOwner | QFile::ExeOwner);
        umountAnswers("unmount");
        QDir().mkdir(QString::fromStdString(media));
        std::ofstream(node) << "a block device's stand-in";
        setTable({});
    }

    std::string file(const char* name) const { return dir_.filePath(name).toStdString(); }
    void umountAnswers(const std::string& mode) const { std::ofstream(file("mode")) << mode << "\n"; }
    void setTable(const Lines& lines) const
    {
        std::ofstream out(file("mountinfo"));
        for (const auto& line : lines) out << line << "\n";
    }
    Lines table() const { return readLines(file("mountinfo")); }
    Lines umountCalls() const { return readLines(file("calls")); }

    LinuxDriveSystem system()
    {
        LinuxDriveSystem system;
        system.mountTable = file("mountinfo");
        system.umountProgram = file("umount");
        system.ioctl = [this](int, unsigned long request, unsigned long argument) {
            ioctls.emplace_back(request, argument);
            const auto answer = answers.find({request, argument});
            const int value = answer != answers.end() ? answer->second
                : request == CDROM_GET_CAPABILITY    ? capabilities
                                                     : 0;
            if (value >= 0) return value;
            errno = -value;
            return -1;
        };
        system.fstat = [this](int, struct ::stat& status) {
            status = {};
            status.st_mode = kind;
            status.st_rdev = makedev(11, 0);
            return 0;
        };
        return system;
    }

    // A line of mountinfo; 11:0 is the drive's own number.
    static std::string entry(int id, const char* device, const std::string& target, const char* source = "/dev/sr0")
    {
        return std::to_string(id) + " 20 " + device + " / " + target + " ro,relatime - iso9660 " + source + " ro";
    }

    IoctlCalls ioctls;
    // What an ioctl answers, by request and argument; a negative value fails
    // with that errno. Unlisted: the capabilities, or 0.
    std::map<std::pair<unsigned long, unsigned long>, int> answers;
    int capabilities = CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK;
    mode_t kind = S_IFBLK | 0660;

private:
    QTemporaryDir dir_;

public:
    const std::string media = file("media"); // a real directory, as a mount point is
    const std::string node = file("sr0");    // the drive's node
};

inline constexpr const char* kRootEntry = "20 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw";

} // namespace vp::test
