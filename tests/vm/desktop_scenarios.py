# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""What the desktop test plays: our package installed with apt as users
install it, then the seat user's disc, mounted through UDisks2 the way a
desktop's automounter does, opened and closed by the program's command line
and by DriveCommand (the drive layer as the window calls it, in the probe),
and the cases where the tray must not move."""

import dataclasses
import os
import re

from desktop_guest import OTHER_USER, PAYLOAD, PROGRAM, SEAT_USER, USERS
from harness.qemu.scenarios import LOCKED_SHUT, TRAY_CLOSED, TRAY_OPEN, Matches, Scenario, Step, said

# Each account runs with what its login gives it (the seat user's session,
# root's service, nothing for the account that runuser starts).
ENVIRONMENT = {"root": [], "user": [], OTHER_USER: []}
APT = "run root DEBIAN_FRONTEND=noninteractive /usr/bin/apt-get -y -q"
APT_DONE = r"^run /usr/bin/apt-get exit 0$"
# What Qt or the loader says when something the program needs is not there.
MISSING = re.compile(r"could not (load|find)|cannot (load|open|find)|missing|not found|no such file"
                     r"|failed to (load|create)", re.IGNORECASE)


@dataclasses.dataclass
class WindowStarts:
    """The window, on Qt's offscreen platform, as the seat user: still
    running when timeout ends it, and nothing reported missing."""
    seconds: int = 10

    def __call__(self, runner):
        reply, _, _ = runner.step("the window on the offscreen platform",
                                  f"run user QT_QPA_PLATFORM=offscreen /usr/bin/timeout {self.seconds} {PROGRAM}")
        err = said(reply, "err ")
        status = said(reply, "run /usr/bin/timeout ")
        runner.check(status == ["exit 124"], f"the window was still running after {self.seconds} s "
                                             f"(timeout's exit 124; got {status})", err)
        runner.check(not [line for line in err if MISSING.search(line)], "nothing reported missing", err)


def install(deb, version, recommends):
    how = "" if recommends else " --no-install-recommends"
    return [Step(f"apt install{how} ./{os.path.basename(deb)}", f"{APT}{how} install {PAYLOAD}/{os.path.basename(deb)}",
                 APT_DONE, f"apt installed the package{how or ' with its Recommends'}"),
            Scenario("vorkula-ponkka --version", "user", program=["--version"], out=[f"vorkula-ponkka {version}"]),
            WindowStarts()]


def installing(deb, version):
    """The plain image: with Recommends, purged, then without."""
    return [Step("apt reads the local package folder", f"{APT} update", APT_DONE),
            *install(deb, version, recommends=True),
            Step("apt purge --autoremove vorkula-ponkka", f"{APT} purge --autoremove vorkula-ponkka", APT_DONE),
            Step("Qt went with it", "run root /usr/bin/dpkg-query -W libqt6core6",
                 r"^err dpkg-query: no packages found matching libqt6core6$", "the purge took Qt with the package"),
            *install(deb, version, recommends=False),
            # The state the seat's machine starts from: our package's
            # dependencies, without the package.
            Step("our package purged, its dependencies kept", f"{APT} purge vorkula-ponkka", APT_DONE)]


# The drive as the program names it: udev's link, which the desktop has.
DRIVE = "/dev/cdrom"
USER_MEDIA = f"/media/{SEAT_USER}/VPDISC"
UDISKSCTL = "/usr/bin/udisksctl"
# Never wait for a password: what polkit does not grant at once is refused.
MOUNT = "mount --no-user-interaction -b /dev/sr0"
UNMOUNT = "unmount --no-user-interaction -b /dev/sr0"
ROOT_MEDIA = "/media/root/VPDISC"
SEAT_UID = USERS[SEAT_USER]


def udisks_mount(who, where):
    # Right after the tray closes the drive needs a moment before it reads.
    return [Step(f"{who} mounts the disc through UDisks2", f"run {who} {UDISKSCTL} {MOUNT}",
                 rf"^out Mounted /dev/sr0 at {where}", f"udisksctl mounted the disc on {where}", attempts=40),
            Step("util-linux records the desktop's helper", "run root /bin/cat /run/mount/utab",
                 rf"^out SRC=/dev/sr0 TARGET={where} .*uhelper=udisks2", "/run/mount/utab: uhelper=udisks2")]


def unmounted_for_the_seat_user():
    return Step("udisksd's journal", "journal udisks2.service",
                rf"^journal Unmounted /dev/sr0 on behalf of uid {SEAT_UID}$",
                "umount.udisks2 had udisksd unmount the disc for the seat user")


BUSY = (rf"\Avorkula-ponkka: {DRIVE}: cannot open the tray: the disc is in use: {USER_MEDIA} could not be "
        r"unmounted \([^\n]*\); it is held by sleep \(pid \d+\)[^\n]*\Z")


def seat(disc_inserted):
    return [
        Step("the seat user's session", "run user /bin/loginctl show-session self --property=Seat --property=Active",
             r"^out Seat=seat0\nout Active=yes$", "the seat user's agent runs in the active session on seat0"),
        Step("the seat user's groups", "run user /usr/bin/id -Gn", rf"^out {SEAT_USER}$",
             f"{SEAT_USER} is in no group but its own (not in cdrom)"),
        Step("the drive's access list", "run user /bin/getfacl -p /dev/sr0", rf"^out user:{SEAT_USER}:rw-$",
             "logind gave the seat user the drive (uaccess ACL)"),
        disc_inserted,
        Step("udisksd's journal so far", "journal udisks2.service"),

        *udisks_mount("user", USER_MEDIA),
        Scenario("the seat user's UDisks2 mount; vorkula-ponkka --open", "user", program=["--open"],
                 events=["open"], mounts=1, state=TRAY_OPEN),
        unmounted_for_the_seat_user(),
        Scenario("DriveCommand(\"cls\") as the seat user", "user", drive="cls", events=["closed"], state=TRAY_CLOSED),
        *udisks_mount("user", USER_MEDIA),
        Scenario("the seat user's UDisks2 mount; DriveCommand(\"opn\") as the seat user", "user", drive="opn",
                 events=["open"], mounts=1, state=TRAY_OPEN),
        unmounted_for_the_seat_user(),
        Scenario("vorkula-ponkka --close", "user", program=["--close"], events=["closed"], state=TRAY_CLOSED),

        *udisks_mount("user", USER_MEDIA),
        Step(f"the seat user holds {USER_MEDIA}/HELLO.TXT open", f"hold user {USER_MEDIA}/HELLO.TXT", r"^hold pid ",
             "a program of the seat user's holds a file on the disc open"),
        Scenario("a file on the seat user's UDisks2 mount held open by the user; --open", "user", program=["--open"],
                 status="exit 1", mounts=1, err=Matches(BUSY), state=LOCKED_SHUT),
        Step("the file is closed", "release"),
        Step("the seat user unmounts", f"run user {UDISKSCTL} {UNMOUNT}", r"^out Unmounted /dev/sr0",
             "the seat user unmounted the disc through UDisks2"),

        *udisks_mount("root", ROOT_MEDIA),
        # /media/root is root's alone, so umount(8) and umount.udisks2 cannot
        # even look at the mount point; UDisks2 itself, asked by device,
        # would have polkit refuse the seat user another user's mount.
        Scenario("a disc root mounted through UDisks2; the seat user runs --open", "user", program=["--open"],
                 status="exit 1", mounts=1,
                 says=f"{DRIVE}: cannot open the tray: not allowed to unmount {ROOT_MEDIA} "
                      f"(umount: {ROOT_MEDIA}: Permission denied)",
                 state=LOCKED_SHUT),
        Step("the seat user asks UDisks2 itself", f"run user {UDISKSCTL} {UNMOUNT}",
             r"^err .*UDisks2\.Error\.NotAuthorized", "polkit refuses the seat user root's mount"),
        Step("root unmounts", f"run root {UDISKSCTL} {UNMOUNT}", r"^out Unmounted /dev/sr0",
             "root unmounted the disc through UDisks2"),

        Step(f"{OTHER_USER} has no session", "run root /bin/loginctl list-sessions --no-legend",
             rf"\A(?![\s\S]*{OTHER_USER})", f"logind has no session of {OTHER_USER}'s"),
        Scenario(f"{OTHER_USER}, with no session on the seat (runuser from root), runs --open", OTHER_USER,
                 program=["--open"], status="exit 1",
                 says=f"{DRIVE}: cannot open the tray: permission denied; join the cdrom group", state=TRAY_CLOSED),
    ]
