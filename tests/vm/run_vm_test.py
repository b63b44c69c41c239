#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real-drive test: the program's drive layer against the Linux CD driver.

Boots a stock Debian kernel in QEMU (software emulation) twice at once: one
machine with an emulated ATAPI CD drive on the IDE bus, one with no CD drive
at all. The guest (guest_image.py) runs the probe built from drive/, which
runs DriveCommand when told to over the serial console; beside it are
util-linux's mount, umount and eject from Debian's packages, an fstab that
lets the ordinary user mount the disc, and that user. The machine with the
drive also gets the program itself, vorkula-ponkka as built, with every
library it loads but no Qt plugin, and runs its --open, --close and --toggle
with no display, one of them started with SIGCHLD ignored; and the window
probe (window_probe.cpp), the program's window on Qt's offscreen platform,
closed while a slow umount runs. What each machine plays is data
(drive_scenarios.py): this script watches the drive from outside through QMP
(every DEVICE_TRAY_MOVED event, and query-block after every step), reads the
guest's mount table before and after each tray action, and times the open of
a mounted disc against eject(1).

Artefacts (kept in the work directory, printed on failure): for each machine
console.log (everything the guest wrote), qmp.log (every QMP message, with the
host's clock) and qemu.log (QEMU's own messages).
"""

import argparse
import os
import shutil
import statistics
import threading
import time

from drive_scenarios import ENVIRONMENT, WITHOUT_DRIVE, with_drive
from guest_image import APPEND, PROGRAM, prepare
from harness import cache
from harness.checks import Checks, TestFailure, log, run_checks
from harness.qemu.machine import Machine, kernel_boot
from harness.qemu.scenarios import Runner

CD_DRIVE = ["-drive", "if=none,id=cd0,media=cdrom", "-device", "ide-cd,drive=cd0,id=cdrom0"]
TOOLS = ("qemu-system-x86_64", "cpio", "zstd", "xorriso", "apt-get", "dpkg-deb", "dpkg-query", "ldd")
BOOT_TIMEOUT = 60


def play(folder, boot, hardware, script, checks, runners):
    """Boots one machine and plays its script; whatever ends it early is a
    failed check."""
    started = time.monotonic()
    try:
        # The program's libraries fill some 90 MB of the initramfs, unpacked
        # into memory at boot.
        with Machine(folder, boot, hardware, memory=384) as machine:
            machine.agent.reply(BOOT_TIMEOUT, "the probe to start")
            checks.out(f"  booted to the probe in {machine.clock():.1f} s")
            runner = Runner(machine, checks, program=PROGRAM, environment=ENVIRONMENT)
            runners.append(runner)
            runner.run(script)
            machine.agent("dmesg")  # into console.log
    except Exception as error:  # noqa: BLE001 - any failure ends this machine's script
        checks(False, f"{type(error).__name__}: {error}")
    finally:
        checks.out(f"  machine ran for {time.monotonic() - started:.1f} s")


def real_drive(check, options):
    started = time.monotonic()
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        raise TestFailure(f"not installed: {' '.join(missing)}")
    kernel, plain, with_program, disc = prepare(work, *map(os.path.abspath, (
        options.probe, options.program, options.window_probe, options.offscreen_plugin)))
    log(f"guest prepared in {time.monotonic() - started:.1f} s")

    machines = {"with-cd-drive": (with_program, CD_DRIVE, with_drive(disc, options.program_version)),
                "without-cd-drive": (plain, [], WITHOUT_DRIVE)}
    # Each machine reports into its own lines, shown once both have ended.
    lines = {name: [] for name in machines}
    checks = {name: Checks(name, out=lines[name].append) for name in machines}
    runners = {name: [] for name in machines}
    threads = [threading.Thread(target=play, args=(os.path.join(work, name), kernel_boot(kernel, initrd, APPEND),
                                                   hardware, script, checks[name], runners[name]))
               for name, (initrd, hardware, script) in machines.items()]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()

    for name in machines:
        log(f"== machine {name} ==")
        for line in lines[name]:
            log(line)
        check.merge(checks[name], name)
        for artefact in ("console.log", "qmp.log", "qemu.log"):
            check.attach(os.path.join(work, name, artefact))
    log("== scenarios: user, mounts of the disc before -> after, tray events (and the tray and door after), "
        "backend code or the program's exit status, stderr ==")
    for name in machines:
        for runner in runners[name]:
            for line in runner.summary(name):
                log(line)
    log("== what the drives did ==")
    for name in machines:
        for runner in runners[name]:
            times = runner.program_times
            if times:
                runner.observations.append(
                    f"the program, {len(times)} runs in the guest without KVM, from the command leaving the host "
                    f"to the guest's answer: median {statistics.median(times):.2f} s, longest {max(times):.2f} s")
            for observation in runner.observations:
                log(f"  {name}: {observation}")
    log(f"{time.monotonic() - started:.1f} s in all; artefacts in {work}")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--probe", required=True, help="the probe built from drive/")
    parser.add_argument("--program", required=True, help="the program, vorkula-ponkka, as built")
    parser.add_argument("--program-version", required=True, help="the version it should answer")
    parser.add_argument("--window-probe", required=True, help="the window probe (window_probe.cpp), as built")
    parser.add_argument("--offscreen-plugin", required=True, help="Qt's offscreen platform plugin, for the window probe")
    parser.add_argument("--work", required=True, help="work directory in the build tree")
    arguments = parser.parse_args()
    # Another run in this build tree waits: the work folder is one run's.
    with cache.locked(os.path.abspath(arguments.work), "the vm test's work folder"):
        run_checks("vm", lambda check: real_drive(check, arguments))
