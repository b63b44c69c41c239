#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program on a Debian desktop: installed with apt from our .deb, run by
the user sitting at the machine, against a disc the desktop mounted through
UDisks2.

The guest (desktop_image.py, desktop_machine.py) boots Debian's stock kernel
into systemd with udev, D-Bus, logind, polkit and UDisks2; the seat user
(not in the cdrom group) is logged in on tty1, so logind gives it the drive
through the uaccess ACL. The host watches the emulated ATAPI drive's tray
through QMP and drives the guest through two agents: the seat user's session
and root.

1. Installing, in a guest booted from the plain image: `apt install ./deb`
   with Recommends, the version and the window on the offscreen platform,
   purge, then `apt install --no-install-recommends ./deb` and the same
   checks; the guest's disk is then kept, with the package purged and its
   dependencies left, under a key made of the package's relationship fields
   (local_archive.py), so later runs skip this part until those change.
2. The seat, in a guest booted from that disk: our package installed again
   with apt (only it is new), then the scenarios: mounts through UDisks2 and
   opens through the program's command line and through DriveCommand (the
   drive layer as the window calls it, in the probe), a busy mount, another
   user's mount, and a user with no session.

Artefacts stay in the work folder: each machine's console.log, qemu.log and
channels.log (every agent command and answer, every QMP message).
"""

import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import run_vm_test as vm  # noqa: E402 - the vm test's kernel and disc
from harness.checks import Checks, TestFailure, log  # noqa: E402
import desktop_image  # noqa: E402
import desktop_machine  # noqa: E402
import local_archive  # noqa: E402
from desktop_image import OTHER_USER, PAYLOAD_MOUNT, SEAT_USER  # noqa: E402

PROGRAM = "/usr/bin/vorkula-ponkka"
PROBE = PAYLOAD_MOUNT + "/vm_drive_probe"
CDROM_ID = "cdrom0"
# What Qt or the loader says when something the program needs is not there.
MISSING = re.compile(r"could not (load|find)|cannot (load|open|find)|missing|not found|no such file"
                     r"|failed to (load|create)", re.IGNORECASE)


def run_checked(checks, agent, what, command, status=0):
    result = agent.run(command)
    checks(result["status"] == status, f"{what} (exit {result['status']}, {result['seconds']:.1f} s)",
           [f"command: {command}", result["out"][-2000:], result["err"][-2000:]])
    return result


# --------------------------------------------------------------------------
# The package, installed the way users install it


def install(checks, machine, deb, recommends, version):
    """apt install ./deb in the guest, then the program's version and its
    window on the offscreen platform, as the seat user. Answers the seconds apt took."""
    root, user = machine.agents["vp.root"], machine.agents["vp.user"]
    how = "" if recommends else " --no-install-recommends"
    result = run_checked(checks, root, f"apt install{how} ./{os.path.basename(deb)}",
                         f"cd {PAYLOAD_MOUNT} && DEBIAN_FRONTEND=noninteractive "
                         f"apt-get install -y -q{how} ./{os.path.basename(deb)}")
    summary = [line for line in result["out"].splitlines() if "newly installed" in line]
    log(f"      apt: {summary[0] if summary else '(no summary)'}")
    answer = user.run(f"{PROGRAM} --version")
    checks(answer["status"] == 0 and answer["out"] == f"vorkula-ponkka {version}\n" and answer["err"] == "",
           f"`vorkula-ponkka --version` answers {version}", [answer])
    # The window must come up and stay: still running when timeout ends it.
    window = user.run(f"QT_QPA_PLATFORM=offscreen timeout 10 {PROGRAM}")
    missing = [line for line in window["err"].splitlines() if MISSING.search(line)]
    checks(window["status"] == 124 and not missing,
           f"the window starts on the offscreen platform and is still running after 10 s "
           f"(exit {window['status']}; 124 is timeout's), with nothing missing",
           [window["err"]])
    for line in window["err"].splitlines():
        log(f"      window's stderr: {line}")
    return result["seconds"]


def package_count(machine):
    return int(machine.agents["vp.root"].run("dpkg-query -W | wc -l")["out"])


def installing(checks, image, kernel, initramfs, deb, payload, key, relations, version, work):
    """Part 1 (see the top): answers the disk with the dependencies installed,
    from the cache when this key has one."""
    directory = os.path.join(image.directory, f"installed-{key}")
    record_path = os.path.join(directory, "record.json")
    if os.path.exists(record_path):
        with open(record_path) as record_file:
            record = json.load(record_file)
        log(f"== installing: cached from {record['when']} for these relationship fields ==")
        for line in record["lines"]:
            log(f"  {line}")
        return os.path.join(directory, "root.ext4")
    for old in glob.glob(os.path.join(image.directory, "installed-*")):
        shutil.rmtree(old, ignore_errors=True)
    os.makedirs(directory)
    disk = os.path.join(directory, "root.ext4")
    subprocess.run(["cp", "--sparse=always", image.path, disk], check=True)
    failed_before = len(checks.failed)
    lines = [f"{name}: {value}" for name, value in relations.items() if value]
    for line in lines:
        log(f"  {line}")
    machine = desktop_machine.DesktopMachine(os.path.join(work, "desktop-install"), kernel, initramfs, disk,
                                             ["-drive", f"file={payload},if=virtio,format=raw,readonly=on"],
                                             keep_writes=True)
    try:
        booted = machine.wait_ready()
        lines.append(f"booted to both agents in {booted:.0f} s")
        run_checked(checks, machine.agents["vp.root"], "apt-get update from the local folder",
                    "apt-get update -q")
        base = package_count(machine)
        with_recommends = install(checks, machine, deb, True, version)
        full = package_count(machine)
        run_checked(checks, machine.agents["vp.root"], "apt purge --autoremove vorkula-ponkka",
                    "DEBIAN_FRONTEND=noninteractive apt-get purge -y -q --autoremove vorkula-ponkka")
        checks(package_count(machine) == base, f"the purge leaves the {base} packages the image had")
        without = install(checks, machine, deb, False, version)
        minimal = package_count(machine)
        lines += [f"apt install: {full - base} packages with Recommends in {with_recommends:.0f} s, "
                  f"{minimal - base} with --no-install-recommends in {without:.0f} s; "
                  f"both started the window with nothing missing",
                  f"emulated processor time for all of it: {machine.cpu_seconds():.0f} s"]
        run_checked(checks, machine.agents["vp.root"], "our package purged again, its dependencies kept",
                    "DEBIAN_FRONTEND=noninteractive apt-get purge -y -q vorkula-ponkka")
        machine.shut_down()
    finally:
        machine.close()
    if len(checks.failed) > failed_before:
        shutil.rmtree(directory, ignore_errors=True)
        raise TestFailure("the package did not install and start in the guest")
    with open(record_path, "w") as record_file:
        json.dump({"when": time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), "lines": lines}, record_file)
    return disk


# --------------------------------------------------------------------------
# The seat: scenarios


def disc_mounts(machine):
    """The disc's mounts: target, options, and the helper utab records."""
    result = machine.agents["vp.root"].run(
        "findmnt -rn -S /dev/sr0 -o TARGET,OPTIONS; grep -h sr0 /run/mount/utab 2>/dev/null | sed 's/^/utab: /'")
    mounts = [line for line in result["out"].splitlines() if not line.startswith("utab: ")]
    return mounts, [line for line in result["out"].splitlines() if line.startswith("utab: ")]


def mount_through_udisks(checks, machine, who):
    """`udisksctl mount -b /dev/sr0`, as a desktop's automounter does it; right
    after the tray closes the drive may not be ready, so it tries again."""
    agent = machine.agents["vp.user" if who == SEAT_USER else "vp.root"]
    result = agent.run("for attempt in $(seq 60); do udisksctl mount -b /dev/sr0 && exit 0; sleep 0.5; done; "
                       "exit 1")
    checks(result["status"] == 0, f"{who} mounted the disc through UDisks2: {result['out'].strip()}",
           [result["err"]])


def hold_file(checks, machine):
    result = machine.agents["vp.user"].run(
        f"setsid sleep 100000 < /media/{SEAT_USER}/VPDISC/HELLO.TXT > /dev/null 2>&1 & echo $!")
    checks(result["out"].strip().isdigit(), f"the seat user holds HELLO.TXT open (sleep, pid {result['out'].strip()})")
    return result["out"].strip()


def act(machine, who, action):
    """Runs one tray action; answers (status, diagnostics lines, all stderr)."""
    if action.startswith("drive "):
        # The drive layer as the window calls it: DriveCommand in the probe.
        result = machine.agents["vp.user"].run(f"printf '{action}\\n' | {PROBE}")
        codes = re.findall(r'^VP: backend "[^"]*" -> (\d+)', result["out"], re.MULTILINE)
        ours = [line[len("VP: stderr "):] for line in result["err"].splitlines()
                if line.startswith("VP: stderr ")]
        return (f"backend {codes[0]}" if codes else "no backend call"), ours, result["err"], result["seconds"]
    command = f"{PROGRAM} {action}"
    if who == SEAT_USER:
        result = machine.agents["vp.user"].run(command)
    else:
        # Not logged in anywhere: runuser opens no logind session.
        result = machine.agents["vp.root"].run(f"runuser -u {who} -- {command}")
    ours = [line for line in result["err"].splitlines() if line.startswith("vorkula-ponkka:")]
    return f"exit {result['status']}", ours, result["err"], result["seconds"]


def journal_since(machine, mark, unit="udisks2.service"):
    return machine.agents["vp.root"].run(f"journalctl -q -o cat -u {unit} --since @{mark}")["out"]


# One row per scenario: who acts and how, what is mounted first and by whom,
# and what must follow. "says" is a piece of the one stderr line expected.
SCENARIOS = [
    {"title": "the seat user's UDisks2 mount; vorkula-ponkka --open", "mount": SEAT_USER, "who": SEAT_USER,
     "action": "--open", "events": ["open"], "result": "exit 0"},
    {"title": "DriveCommand(\"cls\"), the window's path", "who": SEAT_USER, "action": "drive cls",
     "events": ["closed"], "result": "backend 0"},
    {"title": "the seat user's UDisks2 mount; DriveCommand(\"opn\"), the window's path", "mount": SEAT_USER,
     "who": SEAT_USER, "action": "drive opn", "events": ["open"], "result": "backend 0"},
    {"title": "vorkula-ponkka --close", "who": SEAT_USER, "action": "--close", "events": ["closed"],
     "result": "exit 0"},
    {"title": "a file on the seat user's UDisks2 mount held open by the user; --open", "mount": SEAT_USER,
     "hold": True, "who": SEAT_USER, "action": "--open", "events": [], "result": "exit 1",
     "says": "the disc is in use"},
    {"title": "a disc root mounted through UDisks2; the seat user runs --open", "mount": "root",
     "who": SEAT_USER, "action": "--open", "events": [], "result": "exit 1", "says": "not allowed to unmount"},
    {"title": f"{OTHER_USER}, with no session on the seat (runuser from root), runs --open", "who": OTHER_USER,
     "action": "--open", "events": [], "result": "exit 1", "says": "cdrom group"},
]


def scenario(checks, machine, row):
    log(f"  -- {row['title']}")
    if "mount" in row:
        mount_through_udisks(checks, machine, row["mount"])
    holder = hold_file(checks, machine) if row.get("hold") else None
    before, utab = disc_mounts(machine)
    for line in before + utab:
        log(f"      before: {line}")
    mark = machine.agents["vp.root"].run("date +%s.%N")["out"].strip()
    moves = len(machine.qmp.tray_moves())
    result, ours, stderr, seconds = act(machine, row["who"], row["action"])
    state = cd_state(machine)
    events = machine.qmp.tray_moves()[moves:]
    after, _ = disc_mounts(machine)
    checks(result == row["result"], f"{row['result']} (got {result}, {seconds:.1f} s)", [stderr])
    checks(events == row["events"], f"tray events {row['events']} (got {events}); drive now {state}")
    if row["events"]:
        checks(ours == [] and after == [], f"nothing on stderr and nothing left mounted "
               f"(stderr {ours}, mounts {after})", [stderr])
        if before:
            unmounted = journal_since(machine, mark)
            checks(f"Unmounted /dev/sr0 on behalf of uid {desktop_image.USERS[SEAT_USER]}" in unmounted,
                   "udisksd unmounted the disc on behalf of the seat user (umount.udisks2)", [unmounted])
    else:
        checks(len(ours) == 1 and row["says"] in ours[0], f"one stderr line saying \"{row['says']}\"",
               [stderr])
        checks(after == before, f"the mounts are as they were ({after})")
        checks(state and not state["tray_open"], "query-block: the tray is still closed")
    if holder:
        machine.agents["vp.user"].run(f"kill {holder}")
    for mount in after:
        owner = machine.agents["vp.root" if mount.startswith("/media/root/") else "vp.user"]
        owner.run("udisksctl unmount -b /dev/sr0")
    return {"title": row["title"], "user": row["who"], "before": before, "after": after, "utab": utab,
            "events": events, "result": result, "stderr": ours, "seconds": seconds}


def cd_state(machine):
    for device in machine.qmp.execute("query-block"):
        if device.get("qdev", "").endswith(CDROM_ID):
            inserted = device.get("inserted")
            return {"tray_open": device.get("tray_open"), "locked": device.get("locked"),
                    "medium": os.path.basename(inserted["file"]) if inserted else None}
    return None


def seat(checks, disk, kernel, initramfs, deb, payload, disc, version, work):
    """Part 2 (see the top): answers the scenario records."""
    machine = desktop_machine.DesktopMachine(
        os.path.join(work, "desktop-seat"), kernel, initramfs, disk,
        ["-drive", f"file={payload},if=virtio,format=raw,readonly=on",
         "-drive", "if=none,id=cd0,media=cdrom", "-device", f"ide-cd,drive=cd0,id={CDROM_ID}"])
    try:
        booted = machine.wait_ready()
        cpu = machine.cpu_seconds()
        log(f"  booted to both agents in {booted:.1f} s ({cpu:.0f} s of emulated processor time)")
        install(checks, machine, deb, False, version)
        user = machine.agents["vp.user"]
        session = user.run("loginctl show-session $XDG_SESSION_ID -p Seat -p Active -p TTY")["out"]
        groups = user.run("id -Gn")["out"]
        acl = user.run("getfacl -p /dev/sr0")["out"]
        for line in (session + "groups: " + groups + acl).splitlines():
            log(f"      {line}")
        checks("Seat=seat0" in session and "Active=yes" in session and "cdrom" not in groups.split()
               and f"user:{SEAT_USER}:rw-" in acl,
               f"{SEAT_USER} has the active session on seat0 and is not in the cdrom group; logind gave it "
               "the drive (uaccess ACL)")
        machine.qmp.execute("blockdev-change-medium", id=CDROM_ID, filename=disc, format="raw",
                            **{"read-only-mode": "read-only"})
        machine.qmp.tray_moves()  # the insertion's own events are QEMU's, not the guest's
        records = [scenario(checks, machine, row) for row in SCENARIOS]
        log(f"  the seat machine ran for {time.monotonic() - machine.started:.0f} s, "
            f"{machine.cpu_seconds():.0f} s of emulated processor time")
        return booted, records
    finally:
        machine.close()


def cpack(build_dir, work):
    """The .deb as the project builds it."""
    output = os.path.join(work, "cpack")
    shutil.rmtree(output, ignore_errors=True)
    result = subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"),
                             "-B", output], text=True, capture_output=True)
    debs = glob.glob(os.path.join(output, "vorkula-ponkka_*.deb"))
    if result.returncode != 0 or len(debs) != 1:
        raise TestFailure(f"cpack made no package: {result.stdout[-2000:]} {result.stderr[-2000:]}")
    return debs[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True, help="the build tree (its CPackConfig.cmake makes the .deb)")
    parser.add_argument("--probe", required=True, help="the probe built from drive/")
    parser.add_argument("--program-version", required=True)
    parser.add_argument("--kernel-cache", required=True, help="the vm test's kernel folder, shared")
    parser.add_argument("--work", required=True, help="work folder in the build tree")
    options = parser.parse_args()
    started = time.monotonic()
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)
    checks = Checks("desktop vm")
    error = None
    records = []
    booted = None
    try:
        if os.geteuid() != 0:
            log("SKIP: the desktop guest's image is built as root (mmdebstrap, chroot); run as root or in CI")
            return 77
        deb = cpack(options.build_dir, work)
        image = desktop_image.guest_image()
        log(f"guest image: {image.size / 1e6:.0f} MB on disk, {len(image.packages)} packages")
        key, relations = local_archive.dependency_key(image, deb)
        archive = local_archive.dependency_folder(image, deb, key)
        payload = local_archive.payload_disk(work, deb, options.probe, archive, desktop_image.PAYLOAD_LABEL)
        kernel, modules = vm.fetch_kernel(os.path.abspath(options.kernel_cache))
        initramfs = desktop_machine.make_initramfs(work, modules)
        disc = vm.make_disc(work)
        log(f"prepared in {time.monotonic() - started:.0f} s")
        disk = installing(checks, image, kernel, initramfs, deb, payload, key, relations,
                          options.program_version, work)
        log("== the seat ==")
        booted, records = seat(checks, disk, kernel, initramfs, deb, payload, disc, options.program_version, work)
    except (TestFailure, subprocess.CalledProcessError, vm.TestFailure) as stopped:
        error = stopped
    log("== scenarios: user, mounts of the disc before -> after, tray events, exit status or backend code, "
        "stderr, time ==")
    for record in records:
        log(f"  {record['title']}")
        log(f"      user {record['user']}; mounts {record['before'] or 'none'} -> {record['after'] or 'none'}; "
            f"tray events {record['events'] or 'none'}; {record['result']}; {record['seconds']:.1f} s")
        for line in record["utab"]:
            log(f"      {line}")
        for line in record["stderr"]:
            log(f"      stderr: {line}")
    if booted is not None:
        log(f"the seat guest booted to both agents in {booted:.1f} s")
    log(f"{time.monotonic() - started:.0f} s in all; artefacts in {work}")
    return checks.finish(error)


if __name__ == "__main__":
    sys.exit(main())
