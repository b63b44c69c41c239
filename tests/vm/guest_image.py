# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real-drive test's guest: Debian's kernel, and an initramfs with
busybox, the CD driver's modules, util-linux's mount, umount (setuid root)
and eject with their libraries from Debian's packages, an ordinary user, an
fstab entry that lets the user mount the disc, a umount that takes its time,
and the drive layer's probe as the first process, answering on the serial
console. The program itself, with every library it loads, goes in a second
archive for the machine that has a drive, with the window probe and the one
Qt plugin that it needs. And the disc that goes in the drive."""

import os
import shutil
import subprocess

from harness.checks import TestFailure
from harness.qemu import debian, initramfs

MODULES = ["scsi_common", "scsi_mod", "libata", "ata_piix", "cdrom", "sr_mod",
           # Not a CD driver, but the locked-door cases need the disc mounted.
           "isofs"]
APPEND = "console=ttyS0 quiet panic=-1"
DISC_FILE = "HELLO.TXT"
DISC_TEXT = "Vorkula Ponkka test disc"

INIT_TAIL = """# A desktop session's device rules let the logged-in user open the drive,
# and it gives the user a private run-time folder.
/bin/busybox chmod 0666 /dev/sr* 2>/dev/null
/bin/busybox mkdir -p -m 0700 /run/user/1000
/bin/busybox chown 1000:1000 /run/user/1000
exec /probe
"""

# A umount that takes two seconds before it starts, so that the window can be
# closed while one runs. Linked to /usr/bin/umount, which the program prefers
# to /bin/umount, only for the scenario that needs it.
SLOW_UMOUNT = "/usr/local/bin/slow-umount"
SLOW_UMOUNT_SCRIPT = """#!/bin/busybox sh
/bin/busybox sleep 2
exec /bin/umount "$@"
"""

# The ordinary user (uid 1000) and an fstab entry that lets any user mount
# the disc, as desktops commonly have.
GUEST_FILES = {
    "etc/passwd": "root:x:0:0:root:/root:/bin/sh\ntester:x:1000:1000:Tester:/:/bin/sh\n",
    "etc/group": "root:x:0:\ncdrom:x:24:tester\ntester:x:1000:\n",
    "etc/fstab": "/dev/sr0 /media/cd iso9660 user,noauto,ro 0 0\n",
    "init": initramfs.init_script(MODULES, INIT_TAIL),
    SLOW_UMOUNT.lstrip("/"): SLOW_UMOUNT_SCRIPT,
}
EXECUTABLE = {"init", SLOW_UMOUNT.lstrip("/")}
FOLDERS = ["bin", "dev", "proc", "sys", "mnt", "lib/modules", "media/cd", "srv/disc", "run/mount", "etc",
           "usr/local/bin"]
# Package -> the programs the guest takes from it.
GUEST_PROGRAMS = {"mount": ["bin/mount", "bin/umount"], "eject": ["usr/bin/eject"]}
SETUID = {"bin/mount", "bin/umount"}

# The program where the package puts it, with Qt's Finnish texts (the
# package depends on qt6-translations-l10n) and the C.UTF-8 locale that
# every Debian system has (libc-bin), copied from this machine, which runs
# the same Debian. No Qt plugin goes in: the tray actions need none.
PROGRAM = "/usr/bin/vorkula-ponkka"
PROGRAM_DATA = ["usr/share/qt6/translations/qtbase_fi.qm", "usr/lib/locale/C.utf8"]
# The window probe, and the offscreen platform plugin in a folder of its own
# (QT_PLUGIN_PATH), so that the program itself still finds no plugin. A
# window needs fontconfig's settings, which every Debian system with Qt has
# (fontconfig-config).
WINDOW_PROBE = "/usr/local/bin/vp-window-probe"
WINDOW_PLUGINS = "/usr/local/lib/vp-window-probe/plugins"
WINDOW_DATA = ["etc/fonts"]


def base_initramfs(work, probe, modules, userland):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.exists(busybox) or not initramfs.is_static_elf(busybox):
        raise TestFailure(f"{busybox} is missing or not statically linked (install busybox-static)")
    stage = os.path.join(work, "initramfs")
    shutil.rmtree(stage, ignore_errors=True)
    for folder in FOLDERS:
        os.makedirs(os.path.join(stage, folder))
    os.symlink("busybox", os.path.join(stage, "bin", "sleep"))
    initramfs.stage(stage, dict(userland, **{"bin/busybox": busybox, "probe": probe}), SETUID)
    for guest_path, text in GUEST_FILES.items():
        with open(os.path.join(stage, guest_path), "w") as out:
            out.write(text)
    for guest_path in EXECUTABLE:
        os.chmod(os.path.join(stage, guest_path), 0o755)
    for name in MODULES:
        with open(os.path.join(stage, "lib", "modules", name + ".ko"), "wb") as out:
            out.write(debian.module_bytes(modules, name))
    return initramfs.pack(stage, os.path.join(work, "initramfs.cpio.zst"), "initramfs")


def make_disc(work):
    content = os.path.join(work, "disc")
    shutil.rmtree(content, ignore_errors=True)
    os.makedirs(content)
    with open(os.path.join(content, DISC_FILE), "w") as out:
        out.write(DISC_TEXT + "\n")
    image = os.path.join(work, "disc.iso")
    subprocess.run(["xorriso", "-as", "mkisofs", "-quiet", "-V", "VPDISC", "-o", image, content],
                   check=True, capture_output=True)
    return image


def prepare(work, probe, program, window_probe, offscreen_plugin):
    """Answers (kernel, initramfs without the program, initramfs with it, disc)."""
    kernel, modules = debian.kernel(os.path.join(work, "kernel"))
    userland = debian.userland(os.path.join(work, "userland"), GUEST_PROGRAMS, [probe])
    plain = base_initramfs(work, probe, modules, userland)
    program_files = {**debian.host_files(program, PROGRAM, userland, PROGRAM_DATA),
                     **debian.host_files(window_probe, WINDOW_PROBE, userland, WINDOW_DATA),
                     **debian.host_files(offscreen_plugin, f"{WINDOW_PLUGINS}/platforms/libqoffscreen.so", userland)}
    archive = initramfs.packed_files(os.path.join(work, "program.cpio.zst"), program_files, "the program's archive")
    with_program = initramfs.concatenate(os.path.join(work, "initramfs-program.cpio.zst"), [plain, archive])
    return kernel, plain, with_program, make_disc(work)
