#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program on a Debian desktop: installed with apt from our .deb and used
by the user sitting at the machine, against a disc the desktop mounted
through UDisks2.

The guest (desktop_guest.py) boots Debian's stock kernel into systemd with
udev, D-Bus, logind, polkit and UDisks2; its seat user, not in the cdrom
group, is logged in on tty1, so logind gives it the drive through the uaccess
ACL. The host watches the emulated ATAPI drive's tray through QMP and plays
data (desktop_scenarios.py) through the guest's agent. Two machines:

1. Installing, booted from the plain image: `apt install ./deb` with
   Recommends, the version and the window on the offscreen platform, purge,
   then `apt install --no-install-recommends ./deb` and the same checks. Its
   disk is then kept, with our package purged and its dependencies left,
   under a key made of the image and the package's relationship fields:
   later runs reuse it until those change (installing under emulation takes
   minutes), and print what the run that made it found.
2. The seat, booted from that disk in snapshot mode: our package installed
   again with apt (only it is new), then the UDisks2 scenarios.

Artefacts stay in the work folder, for each machine: console.log (the
agent's stream), qmp.log, qemu.log; the guest's serial console goes to
serial.log.
"""

import argparse
import glob
import json
import os
import shutil
import subprocess
import time

import desktop_guest
import desktop_scenarios
from guest_image import make_disc
from harness import cache
from harness.checks import Checks, TestFailure, log, run_checks
from harness.qemu import debian
from harness.qemu.machine import Machine, kernel_boot, virtio_serial_port
from harness.qemu.scenarios import Insert, Runner, Scenario

CD_DRIVE = ["-drive", "if=none,id=cd0,media=cdrom", "-device", "ide-cd,drive=cd0,id=cdrom0"]
BOOT_TIMEOUT = 600
# An apt install with Recommends under emulation, on a busy machine.
COMMAND_TIMEOUT = 1800
MEMORY = 1024
# Seconds for a scenario that unmounts a UDisks2 mount and opens the tray: 2
# to 4 s under emulation on a machine with a load of 4 to 5.
OPEN_LIMIT = 15


class DesktopMachine(Machine):
    """The guest with its agent on the virtio-serial port vp.agent; answers
    the seconds from QEMU's start to the agent's first "ready"."""

    def __init__(self, folder, boot, disks, hardware=()):
        serial = ["-serial", f"file:{os.path.join(folder, 'serial.log')}"]
        super().__init__(folder, [*boot, *disks], [*serial, *hardware], virtio_serial_port("vp.agent"),
                         memory=MEMORY, timeout=COMMAND_TIMEOUT)

    def boot(self):
        self.agent.reply(BOOT_TIMEOUT, "the guest's agent to start")
        return self.clock()

    def cpu_seconds(self):
        """Processor time QEMU has used (user and system): what the emulation
        costs, whatever else this machine is doing."""
        with open(f"/proc/{self.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def power_off(self):
        """A clean shutdown from inside, so that the disk is left consistent."""
        self.agent.send("run root /bin/systemctl --no-block poweroff")
        try:
            self.process.wait(timeout=BOOT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise TestFailure("the guest did not power off") from None


def play(check, name, machine, script):
    booted = machine.boot()
    log(f"  {name}: booted to the agent in {booted:.1f} s ({machine.cpu_seconds():.0f} s of emulated processor time)")
    runner = Runner(machine, check, program=desktop_guest.PROGRAM, environment=desktop_scenarios.ENVIRONMENT)
    runner.seconds = {}
    started = time.monotonic()
    for item in script:
        begun = time.monotonic()
        item(runner)
        title = getattr(item, "title", "")
        if isinstance(item, Scenario):  # the action with its mount table reads before and after
            runner.seconds[title] = time.monotonic() - begun
            if item.mounts and "open" in item.events:
                # umount.udisks2 answers in a second or two; udisksd's own
                # 20 s wait for udev must not show in the open.
                check(runner.seconds[title] <= OPEN_LIMIT, f"the mounted disc came off and the tray opened within "
                      f"{OPEN_LIMIT} s (took {runner.seconds[title]:.1f} s)")
        elif title.startswith("apt "):
            check.out(f"  {title}: {time.monotonic() - begun:.0f} s")
    log(f"  {name}: played in {time.monotonic() - started:.0f} s; machine ran {machine.clock():.0f} s, "
        f"{machine.cpu_seconds():.0f} s of emulated processor time")
    return runner, booted


def installed_disk(check, image, boot, payload, deb, key, version, work):
    """Part 1 (see above): answers the disk with the dependencies installed,
    made now or kept from an earlier run. Call holding the cache's lock: the
    installing machine writes to a disk no other run sees yet."""
    folder = os.path.join(image.folder, f"installed-{key}")
    if os.path.isdir(folder):
        with open(os.path.join(folder, "record.json")) as kept:
            made = json.load(kept)
        log(f"== installing: done by the run of {made['when']} for these relationship fields; what it found: ==")
        for line in made["lines"]:
            log(line)
        return os.path.join(folder, "root.ext4")
    for old in glob.glob(os.path.join(image.folder, "installed-*")):
        shutil.rmtree(old)
    cache.entry(folder, lambda part: install(check, image, boot, payload, deb, version, work, part))
    return os.path.join(folder, "root.ext4")


def install(check, image, boot, payload, deb, version, work, folder):
    disk = os.path.join(folder, "root.ext4")
    subprocess.run(["cp", "--sparse=always", image.path, disk], check=True)
    log("== installing ==")
    lines = []
    mine = Checks("installing", out=lambda line: (lines.append(line), log(line)))
    try:
        for name, value in desktop_guest.relations(deb).items():
            mine.out(f"  {name}: {value}")
        machine = DesktopMachine(os.path.join(work, "installing"), boot,
                                 desktop_guest.disks(disk, payload, keep_writes=True))
        with machine:
            runner, booted = play(mine, "installing", machine, desktop_scenarios.installing(deb, version))
            mine.out(f"  booted in {booted:.0f} s; {machine.clock():.0f} s in all, "
                     f"{machine.cpu_seconds():.0f} s of emulated processor time")
            machine.power_off()
    finally:
        check.merge(mine, "installing")
        check.attach(os.path.join(work, "installing", "console.log"))
    if mine.failed:
        raise TestFailure("the package did not install and start in the guest")
    with open(os.path.join(folder, "record.json"), "w") as kept:
        # The checks, timings and apt's own count, without the guest's chatter.
        lines = [line for line in lines if not line.lstrip().startswith("guest:") or "newly installed" in line]
        json.dump({"when": time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), "lines": lines}, kept)


def cpack(build, work):
    """The .deb, made as the project makes it."""
    output = os.path.join(work, "cpack")
    shutil.rmtree(output, ignore_errors=True)
    result = subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", output],
                            text=True, capture_output=True)
    debs = glob.glob(os.path.join(output, "vorkula-ponkka_*.deb"))
    if result.returncode != 0 or len(debs) != 1:
        raise TestFailure(f"cpack made no package: {result.stdout[-2000:]} {result.stderr[-2000:]}")
    return debs[0]


def summary(runner, booted, image, started):
    log("== scenarios: user, the disc's mounts before -> after, tray events, exit status or backend code, "
        "stderr, time ==")
    for scenario, got, before, after in runner.played:
        if scenario.program == ["--version"]:
            continue
        log(f"  {scenario.title}")
        log(f"      user {scenario.who}; mounts {[line.split()[1] for line in before] or 'none'} -> "
            f"{[line.split()[1] for line in after] or 'none'}; tray events {got.events or 'none'}; {got.status}; "
            f"{runner.seconds[scenario.title]:.1f} s")
        for line in got.err:
            log(f"      stderr: {line}")
    log(f"the seat's guest: booted to its agent in {booted:.1f} s; image {image.size / 1e6:.0f} MB on disk"
        + (f", built in {image.built:.0f} s" if image.built else " (cached)")
        + f"; {time.monotonic() - started:.0f} s in all")


def desktop(check, options):
    started = time.monotonic()
    if os.geteuid() != 0:
        log("SKIP: the desktop guest's image is built as root (mmdebstrap, chroot): run as root, or in CI")
        raise SystemExit(77)
    work = os.path.abspath(options.work)
    # QEMU's snapshot files go to TMPDIR: keep them in the build tree.
    os.environ["TMPDIR"] = work
    deb = cpack(options.build_dir, work)
    kernel, modules = debian.kernel(os.path.abspath(options.kernel_cache))
    boot = kernel_boot(kernel, desktop_guest.boot_initramfs(work, modules), desktop_guest.APPEND)
    disc = make_disc(work)
    # The seat boots the installed disk in snapshot mode, its writes going to
    # a file of its own in TMPDIR: once the disk is made, other runs may boot
    # it at the same time.
    with cache.locked(desktop_guest.cache_root(), "the desktop guest's cache"):
        image = desktop_guest.image()
        log(f"guest image: {image.size / 1e6:.0f} MB on disk, " +
            (f"built in {image.built:.0f} s" if image.built else f"cached in {image.folder}"))
        folder, key = desktop_guest.archive(image, deb)
        payload = desktop_guest.payload_disk(work, deb, options.probe, folder)
        log(f"prepared in {time.monotonic() - started:.0f} s")
        disk = installed_disk(check, image, boot, payload, deb, key, options.program_version, work)
    log("== the seat ==")
    machine = DesktopMachine(os.path.join(work, "seat"), boot, desktop_guest.disks(disk, payload), CD_DRIVE)
    check.attach(os.path.join(work, "seat", "console.log"))
    with machine:
        runner, booted = play(check, "seat", machine,
                              [*desktop_scenarios.install(deb, options.program_version, recommends=False),
                               *desktop_scenarios.seat(Insert(disc))])
    summary(runner, booted, image, started)


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True, help="the build tree, whose CPackConfig.cmake makes the .deb")
    parser.add_argument("--probe", required=True, help="the probe built from drive/")
    parser.add_argument("--program-version", required=True, help="the version the program should answer")
    parser.add_argument("--kernel-cache", required=True, help="the vm test's kernel folder")
    parser.add_argument("--work", required=True, help="work folder in the build tree")
    arguments = parser.parse_args()
    # Another run in this build tree waits: the work folder is one run's.
    with cache.locked(os.path.abspath(arguments.work), "the desktop test's work folder"):
        run_checks("vm desktop", lambda check: desktop(check, arguments))
