# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""What the real-drive test plays on each machine: the drive layer through
the probe, then the program from its command line, and a timing of the open
of a mounted disc against eject(1)."""

import os
import re
import signal
import statistics

from guest_image import DISC_FILE, DISC_TEXT, PROGRAM, SLOW_UMOUNT, WINDOW_PLUGINS, WINDOW_PROBE
from harness.facts import USAGE
from harness.qemu.scenarios import (LOCKED_SHUT, TRAY_CLOSED, TRAY_OPEN, Insert, Matches, Scenario, Step,
                                    said)

# The guest has no display, no fonts and no D-Bus, and the program finds no Qt
# plugin there (the window probe's one lies in a folder of its own), so its
# window or a GUI application object could not start; QT_DEBUG_PLUGINS makes
# any plugin lookup show on standard error. Root runs the program with only
# what the kernel gives the first process (HOME=/, TERM=linux), as a system
# service would; the user with what a desktop session gives at the least: a
# UTF-8 locale and a private run-time folder.
ENVIRONMENT = {"root": ["QT_DEBUG_PLUGINS=1"],
               "user": ["QT_DEBUG_PLUGINS=1", "LANG=C.UTF-8", "XDG_RUNTIME_DIR=/run/user/1000"]}
BUSY = "/dev/sr0: cannot open the tray: the disc is in use: {0} could not be unmounted (umount: {0}: target is busy.); " \
    "it is held by sleep (pid "
BUSY_FACTS = 'open disc-in-use /dev/sr0 error=EBUSY mount={0} says="umount: {0}: target is busy." holders=sleep('


def hold(who, path):
    return Step(f"{who} holds {path} open", f"hold {who} {path}", r"^hold pid ", f"a program of {who}'s holds {path} open")


RELEASE = Step("the file is closed", "release")
# Right after the tray closes the drive may not be ready for the mount yet.
USER_MOUNT = Step("the user mounts the disc (fstab: user,noauto)", "run user /bin/mount /media/cd",
                  r"^run /bin/mount exit 0$", "the user mounted /media/cd", attempts=20)


def tray_calls(suffix, who="root", medium=None):
    """opn and cls through DriveCommand, each moving the tray."""
    return [Scenario(f"opn{suffix}", who, drive="opn", events=["open"], state=dict(TRAY_OPEN, medium=medium)),
            Scenario(f"cls{suffix}", who, drive="cls", events=["closed"], state=dict(TRAY_CLOSED, medium=medium))]


def with_drive(disc, version):
    return [
        Step("device discovery", "find", r"^find /dev/sr0$", "the backend finds /dev/sr0 (no /dev/cdrom without udev)",
             state={"tray_open": False, "locked": False, "medium": None}),
        *tray_calls(", empty drive"),
        Scenario("Opn (capital first letter)", drive="Opn", events=["open"], state=TRAY_OPEN),
        Scenario("CLS (capitals)", drive="CLS", events=["closed"], state=TRAY_CLOSED),
        *tray_calls(" as an ordinary user, empty drive", who="user"),
        Scenario("msg", drive="msg Hei maailma", box="Hei maailma"),
        Scenario("unknown verb", drive="xyz opn", state=TRAY_CLOSED),
        Insert(disc),
        *tray_calls(" with a disc", medium=os.path.basename(disc)),
        Step("mount the disc that came back", "mount", r"^mount /dev/sr0 on /mnt ok", "the guest mounts the disc",
             state={"locked": True}),
        Step("read from the disc", f"read {DISC_FILE}", f'^read {DISC_FILE} "{DISC_TEXT}"$', "the guest reads the disc"),

        # With a disc mounted, opening means unmounting first; when that fails
        # the tray stays where it is and one line on stderr says why.
        Scenario("disc mounted by root; an ordinary user opens", "user", drive="opn", mounts=1, status="backend 1",
                 says='open unmount-not-allowed /dev/sr0 error=EPERM mount=/mnt says="umount: /mnt: must be superuser',
                 state=LOCKED_SHUT),
        hold("root", f"/mnt/{DISC_FILE}"),
        Scenario("a file on the disc held open by root; root opens", drive="opn", mounts=1, status="backend 16",
                 says=BUSY_FACTS.format("/mnt"), state=LOCKED_SHUT),
        RELEASE,
        Scenario("disc mounted by root; root opens", drive="opn", mounts=1, events=["open"]),
        Scenario("cls, disc unmounted", drive="cls", events=["closed"]),
        USER_MOUNT,
        hold("user", f"/media/cd/{DISC_FILE}"),
        Scenario("a file on the disc held open by the user; the user opens", "user", drive="opn", mounts=1,
                 status="backend 16", says=BUSY_FACTS.format("/media/cd"), state=LOCKED_SHUT),
        RELEASE,
        Scenario("disc mounted by the user through fstab (user,noauto); the user opens", "user", drive="opn",
                 mounts=1, events=["open"]),
        Scenario("cls, disc unmounted", drive="cls", events=["closed"]),

        # The same disc mounted twice, and one of its mounts bound elsewhere.
        *(Step("mount again", command, r" ok \(attempt| exit 0$", f"`{command}` succeeded")
          for command in ("mount /mnt", "mount /media/cd", "run root /bin/mount --bind /media/cd /srv/disc")),
        Scenario("disc mounted on /mnt and /media/cd, /media/cd bound to /srv/disc; root opens", drive="opn",
                 mounts=3, events=["open"]),
        Scenario("cls, disc unmounted", drive="cls", events=["closed"]),
        time_open_of_mounted_disc,
        *program_scenarios(version),
        *safety_scenarios(),
        Step("the probe still answers", "find", r"^find /dev/sr0$", "the guest is still alive and sees its drive"),
    ]


def program_scenarios(version):
    """The shipped program moves the tray with no window and no display."""
    def tray(action, who="root", **expected):
        return Scenario(expected.pop("title", f"vorkula-ponkka {action}"), who,
                        program=["--device", "/dev/sr0", action], **expected)

    return [
        *(tray(action, who, title=f"vorkula-ponkka {action}, tray {tray_was}", events=[moved])
          for who in ("root", "user")
          for action, tray_was, moved in (("--open", "closed", "open"), ("--close", "open", "closed"),
                                          ("--toggle", "closed", "open"), ("--toggle", "open", "closed"))),
        USER_MOUNT,
        tray("--open", "user", title="vorkula-ponkka --open, disc mounted by the user through fstab", mounts=1,
             events=["open"]),
        tray("--close", "user", title="vorkula-ponkka --close, disc unmounted", events=["closed"]),
        USER_MOUNT,
        hold("user", f"/media/cd/{DISC_FILE}"),
        tray("--open", "user", title="vorkula-ponkka --open, a file on the user's mount held open by the user",
             mounts=1, status="exit 1", state=LOCKED_SHUT,
             says=BUSY.format("/media/cd")),
        RELEASE,
        Step("the user unmounts the disc", "run user /bin/umount /media/cd", r"^run /bin/umount exit 0$",
             "the user unmounted /media/cd"),
        # Answers that need no drive, as the user.
        Scenario("vorkula-ponkka --version", "user", program=["--version"], out=[f"vorkula-ponkka {version}"]),
        Scenario("vorkula-ponkka --help", "user", program=["--help"],
                 out=Matches(rf"\AUsage: {re.escape(PROGRAM)} \[options\]$",
                             *(rf"^\s*{option}" for option in ("--device", "--open", "--close", "--toggle")))),
        Scenario("vorkula-ponkka --bogus", "user", program=["--bogus"], status="exit 2",
                 err=["vorkula-ponkka: Unknown option 'bogus'.", *USAGE["en"]]),
        # With no arguments it wants a window, which the guest cannot give it.
        Scenario("vorkula-ponkka with no arguments (its window)", "user", program=[], status="killed by signal 6",
                 err=Matches("platform plugin", r"^qt\.core\.plugin\.factoryloader: checking directory path")),
    ]


# The probe as a launcher that starts a program with SIGCHLD ignored.
SIGCHLD_IGNORED = ["/probe", "--sigchld-ignored"]
# The window on Qt's offscreen platform, with that plugin only, and without
# the plugin loader's trace that the program's runs have.
OFFSCREEN = ["QT_DEBUG_PLUGINS=0", "QT_QPA_PLATFORM=offscreen", f"QT_PLUGIN_PATH={WINDOW_PLUGINS}"]
CLOSE_AFTER_MS = 500
# A node that is no CD drive but carries the drive's number, 11:0: no
# driver answers it, and the disc mounted from 11:0 must stay mounted.
NOT_A_DRIVE = "/run/not-a-drive"


def sigchld_is_ignored(runner):
    """The launcher really hands its program SIGCHLD ignored: bit 17 of
    SigIgn in /proc/PID/status."""
    reply = runner.agent(f"run user {' '.join(SIGCHLD_IGNORED)} /bin/busybox grep SigIgn /proc/self/status")
    masks = [int(line.split()[-1], 16) for line in said(reply, "out SigIgn:")]
    runner.check(len(masks) == 1 and masks[0] & 1 << (signal.SIGCHLD - 1),
                 f"a program started by the launcher has SIGCHLD ignored (SigIgn {masks})", reply)


def cls(title):
    return Scenario(title, drive="cls", events=["closed"])


def safety_scenarios():
    """What must hold whatever the program was started with, whenever its
    window closes and whatever the drive answers."""
    return [
        USER_MOUNT,
        Step("a character node numbered like the drive", f"run root /bin/busybox mknod -m 666 {NOT_A_DRIVE} c 11 0",
             r"^run /bin/busybox exit 0$", f"{NOT_A_DRIVE} is character 11:0, the number of the mounted /dev/sr0"),
        *(Scenario(f"vorkula-ponkka --open on {NOT_A_DRIVE} (character 11:0), disc mounted by the user; {who} opens",
                   who, program=["--device", NOT_A_DRIVE, "--open"], mounts=1, status="exit 1",
                   says=f"{NOT_A_DRIVE}: cannot open the tray: no drive answers at this device node", state=LOCKED_SHUT)
          for who in ("root", "user")),
        sigchld_is_ignored,
        Scenario("vorkula-ponkka --open started with SIGCHLD ignored, disc mounted by the user", "user",
                 command=[*SIGCHLD_IGNORED, PROGRAM, "--device", "/dev/sr0", "--open"], mounts=1, events=["open"]),
        cls("cls, disc unmounted"),
        USER_MOUNT,
        Step("umount takes 2 s", f"run root /bin/busybox ln -s {SLOW_UMOUNT} /usr/bin/umount",
             r"^run /bin/busybox exit 0$", f"/usr/bin/umount is {SLOW_UMOUNT}"),
        Scenario(f"the window closed {CLOSE_AFTER_MS} ms into the unmount of the user's /media/cd (umount takes 2 s)",
                 "user", command=[*OFFSCREEN, WINDOW_PROBE, "/dev/sr0", str(CLOSE_AFTER_MS)], mounts=1,
                 events=["open"],
                 out=Matches(r"\Awindow closed \d+ ms after the click, with umount /media/cd \(pid \d+\) under way$",
                             r"^the tray command was over \d+ ms after the click\Z")),
        Step("umount as it was", "run root /bin/busybox rm /usr/bin/umount", r"^run /bin/busybox exit 0$",
             "/usr/bin/umount is gone again"),
        cls("cls, disc unmounted"),
        Step("mount the disc", "mount", r"^mount /dev/sr0 on /mnt ok", "the guest mounts the disc",
             state={"locked": True}),
        # Mounted again while the command waits for udev's look: the tray stays shut.
        Step("the system looks at the drive and mounts the disc again once it is unmounted", "remount-in-gap",
             r"^remount-in-gap holds /dev/sr0 shared"),
        Scenario("disc mounted again between the unmount and the eject; root opens", drive="opn", mounts=1,
                 status="backend 16", says="open remounted /dev/sr0 error=EBUSY mount=/mnt", state=LOCKED_SHUT),
        RELEASE,
        Step("the drive will refuse the next eject", "refuse-eject", r"^the next eject will be refused$"),
        # Nobody else holds the drive: its door is left unlocked for its own button.
        Scenario("disc mounted by root; root opens, the drive refuses the eject", drive="opn", mounts=1, left=0,
                 status="backend 5", says="open drive-refused /dev/sr0 error=EIO",
                 state=dict(TRAY_CLOSED, locked=False)),
        Scenario("root opens again, the drive obeys", drive="opn", events=["open"], state=dict(TRAY_OPEN, locked=False)),
        cls("cls"),
    ]


def no_removable_drive(runner):
    runner.check(runner.qmp.removable_devices() == [], "query-block: the machine has no removable drive")


WITHOUT_DRIVE = [
    no_removable_drive,
    Step("device discovery", "find", r"^find \(none\)$", "the backend finds no drive"),
    *(Scenario(f"{verb}, no drive", drive=verb, status="backend 19",
               says=f"{action} no-drive - error=ENODEV")
      for verb, action in (("opn", "open"), ("cls", "close"), ("Opn", "open"), ("CLS", "close"))),
]


def time_open_of_mounted_disc(runner, runs=7):
    """Open request to tray event with the disc mounted on /mnt: the drive
    layer (DriveCommand("opn")) against util-linux's eject /dev/sr0,
    interleaved, the order swapped every run."""
    contenders = [("drive layer", "drive opn"), ("eject(1)", "run root /usr/bin/eject /dev/sr0")]
    timings = {name: [] for name, _ in contenders}
    fault = None
    order = [contender for run in range(runs) for contender in (contenders if run % 2 == 0 else contenders[::-1])]
    for number, (name, command) in enumerate(order):
        mounted = runner.agent("mount")
        mark = runner.qmp.mark()
        reply = runner.agent(command)
        runner.qmp.drive_state(runner.drive_id)  # reads the events sent before it
        delays = [moved - runner.agent.sent_at for moved in runner.qmp.tray_times(mark)]
        mounts = runner.mounts()
        if not any(" ok (attempt" in line for line in mounted) or len(delays) != 1 or mounts:
            fault = [f"timing run {number // 2 + 1}, {name}: mount {mounted}, tray events after {delays} s, "
                     f"mounts left {mounts}", *reply]
            break
        timings[name].append(delays[0])
        runner.agent("drive cls")
    if not runner.check(fault is None, f"{runs} opens of a mounted disc each way, each moving the tray once "
                                       "and leaving nothing mounted", fault):
        return
    ours, theirs = (statistics.median(timings[name]) for name, _ in contenders)
    runner.observations.append(
        f"open of a mounted disc, request to tray event, median of {runs}: drive layer {ours * 1000:.0f} ms, "
        f"eject(1) {theirs * 1000:.0f} ms, ratio {ours / theirs:.2f}x (goal <= 1.10x); runs: "
        + "; ".join(f"{name} " + " ".join(f"{value * 1000:.0f}" for value in timings[name])
                    for name, _ in contenders) + " ms")
