#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real-drive test: the program's drive layer against the Linux CD driver.

Boots a stock Debian kernel in QEMU (software emulation) twice at once: one
machine with an emulated ATAPI CD drive on the IDE bus, one with no CD drive
at all. The guest's workload is the static probe built from drive/; it runs
DriveCommand when told to over the serial console. This script watches the
drive from outside through QMP: every DEVICE_TRAY_MOVED event, and query-block
after every step.

Artefacts (kept in the work directory, printed on failure): for each machine
console.log (everything the guest wrote), qmp.log (every QMP message, with the
host's clock) and qemu.log (QEMU's own messages).
"""

import argparse
import gzip
import json
import lzma
import os
import selectors
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

MODULES = ["scsi_common", "scsi_mod", "libata", "ata_piix", "cdrom", "sr_mod"]
# Not a CD driver, but the locked-door case needs the disc mounted.
EXTRA_MODULES = ["isofs"]
DISC_FILE = "HELLO.TXT"
DISC_TEXT = "Vorkula Ponkka test disc"
CDROM_ID = "cdrom0"

BOOT_TIMEOUT = 60
STEP_TIMEOUT = 30


class TestFailure(Exception):
    pass


def log(message):
    print(message, flush=True)


def run(command, **kwargs):
    return subprocess.run(command, check=True, text=True, capture_output=True, **kwargs)


# --------------------------------------------------------------------------
# The kernel: the package linux-image-amd64 depends on, unpacked, never installed


def kernel_package():
    def lookup():
        result = subprocess.run(["apt-cache", "depends", "linux-image-amd64"],
                                text=True, capture_output=True)
        for line in result.stdout.splitlines():
            line = line.strip()
            if line.startswith("Depends:") and "linux-image-" in line:
                return line.split(":", 1)[1].strip()
        return None

    package = lookup()
    if package is None and os.geteuid() == 0:
        log("apt-cache does not know linux-image-amd64; running apt-get update")
        subprocess.run(["apt-get", "update", "-q"], check=True)
        package = lookup()
    if package is None:
        raise TestFailure("cannot tell which kernel package linux-image-amd64 depends on "
                          "(run apt-get update)")
    return package


def fetch_kernel(cache):
    """Returns (vmlinuz, modules directory), downloading the kernel once."""
    stamp = os.path.join(cache, "package")
    root = os.path.join(cache, "root")
    if not os.path.exists(stamp):
        package = kernel_package()
        log(f"fetching kernel package {package}")
        shutil.rmtree(cache, ignore_errors=True)
        download = os.path.join(cache, "download")
        os.makedirs(download)
        try:
            run(["apt-get", "download", package], cwd=download)
        except subprocess.CalledProcessError as error:
            if os.geteuid() != 0:
                raise
            # Stale package lists name a version the archive no longer has.
            log(f"apt-get download failed ({error.stderr.strip()}); running apt-get update")
            subprocess.run(["apt-get", "update", "-q"], check=True)
            package = kernel_package()
            run(["apt-get", "download", package], cwd=download)
        debs = [name for name in os.listdir(download) if name.endswith(".deb")]
        if len(debs) != 1:
            raise TestFailure(f"apt-get download {package} gave {debs}")
        run(["dpkg-deb", "-x", os.path.join(download, debs[0]), root])
        os.remove(os.path.join(download, debs[0]))
        with open(stamp, "w") as out:
            out.write(debs[0] + "\n")
    with open(stamp) as stamp_file:
        log(f"kernel: {stamp_file.read().strip()}")

    boot = os.path.join(root, "boot")
    images = sorted(name for name in os.listdir(boot) if name.startswith("vmlinuz-"))
    if not images:
        raise TestFailure(f"no vmlinuz in {boot}")
    version = images[-1][len("vmlinuz-"):]
    modules = os.path.join(root, "lib", "modules", version)
    if not os.path.isdir(modules):
        modules = os.path.join(root, "usr", "lib", "modules", version)
    return os.path.join(boot, images[-1]), modules


def module_bytes(modules, name):
    """A module's object code, decompressed on the host: busybox insmod
    takes plain .ko files only."""
    found = {}
    for directory, _, files in os.walk(os.path.join(modules, "kernel")):
        for file in files:
            for suffix in (".ko", ".ko.xz", ".ko.gz", ".ko.zst"):
                if file == name + suffix:
                    found[suffix] = os.path.join(directory, file)
    if ".ko" in found:
        with open(found[".ko"], "rb") as module:
            return module.read()
    if ".ko.xz" in found:
        with lzma.open(found[".ko.xz"]) as module:
            return module.read()
    if ".ko.gz" in found:
        with gzip.open(found[".ko.gz"]) as module:
            return module.read()
    if ".ko.zst" in found:
        if not shutil.which("zstd"):
            raise TestFailure(f"{found['.ko.zst']} needs the zstd tool")
        return subprocess.run(["zstd", "-dc", found[".ko.zst"]], check=True,
                              capture_output=True).stdout
    raise TestFailure(f"kernel module {name} not found under {modules}")


# --------------------------------------------------------------------------
# The guest's initramfs and the disc


INIT_SCRIPT = """#!/bin/busybox sh
/bin/busybox mount -t devtmpfs devtmpfs /dev
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t sysfs sysfs /sys
for module in {modules}; do
    /bin/busybox insmod /lib/modules/$module.ko || echo "VP: insmod $module failed"
done
# A desktop session's device rules let the logged-in user open the drive.
/bin/busybox chmod 0666 /dev/sr* 2>/dev/null
exec /probe
"""


def is_static_elf(path):
    """True when the ELF file has no program interpreter (PT_INTERP)."""
    with open(path, "rb") as elf:
        data = elf.read(1 << 16)
    if data[:4] != b"\x7fELF" or data[4] != 2:
        return False
    phoff, = struct.unpack_from("<Q", data, 0x20)
    phentsize, phnum = struct.unpack_from("<HH", data, 0x36)
    for index in range(phnum):
        kind, = struct.unpack_from("<I", data, phoff + index * phentsize)
        if kind == 3:
            return False
    return True


def make_initramfs(work, probe, modules):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.exists(busybox) or not is_static_elf(busybox):
        raise TestFailure(f"{busybox} is missing or not statically linked "
                          "(install busybox-static)")
    if not is_static_elf(probe):
        raise TestFailure(f"{probe} is not statically linked")

    stage = os.path.join(work, "initramfs")
    shutil.rmtree(stage, ignore_errors=True)
    for directory in ("bin", "dev", "proc", "sys", "mnt", "lib/modules"):
        os.makedirs(os.path.join(stage, directory))
    shutil.copy(busybox, os.path.join(stage, "bin", "busybox"))
    shutil.copy(probe, os.path.join(stage, "probe"))
    names = MODULES + EXTRA_MODULES
    for name in names:
        with open(os.path.join(stage, "lib", "modules", name + ".ko"), "wb") as out:
            out.write(module_bytes(modules, name))
    init = os.path.join(stage, "init")
    with open(init, "w") as out:
        out.write(INIT_SCRIPT.format(modules=" ".join(names)))
    os.chmod(init, 0o755)

    files = []
    for directory, subdirectories, names_here in os.walk(stage):
        for name in sorted(subdirectories + names_here):
            files.append(os.path.relpath(os.path.join(directory, name), stage))
    image = os.path.join(work, "initramfs.cpio")
    with open(image, "wb") as out:
        subprocess.run(["cpio", "-o", "-H", "newc", "--quiet"], cwd=stage, check=True,
                       input="\n".join(files).encode() + b"\n", stdout=out)
    return image


def make_disc(work):
    content = os.path.join(work, "disc")
    shutil.rmtree(content, ignore_errors=True)
    os.makedirs(content)
    with open(os.path.join(content, DISC_FILE), "w") as out:
        out.write(DISC_TEXT + "\n")
    image = os.path.join(work, "disc.iso")
    if shutil.which("xorriso"):
        command = ["xorriso", "-as", "mkisofs"]
    elif shutil.which("genisoimage"):
        command = ["genisoimage"]
    else:
        raise TestFailure("neither xorriso nor genisoimage is installed")
    run(command + ["-quiet", "-V", "VPDISC", "-o", image, content])
    return image


# --------------------------------------------------------------------------
# One emulated machine: its serial console and its QMP socket


class Machine:
    def __init__(self, name, work, kernel, initramfs, drive_args):
        self.name = name
        self.directory = os.path.join(work, name)
        shutil.rmtree(self.directory, ignore_errors=True)
        os.makedirs(self.directory)
        self.console_log = open(os.path.join(self.directory, "console.log"), "w")
        self.qmp_log = open(os.path.join(self.directory, "qmp.log"), "w")
        self.qemu_log = open(os.path.join(self.directory, "qemu.log"), "w")
        # A unix socket path must stay short; the build tree may be deep.
        self.socket_directory = tempfile.mkdtemp(prefix="vp-qmp-")
        socket_path = os.path.join(self.socket_directory, "qmp")
        command = [
            shutil.which("qemu-system-x86_64") or "qemu-system-x86_64",
            "-nodefaults", "-no-user-config",
            "-machine", "pc", "-accel", "tcg", "-m", "256", "-smp", "1",
            "-display", "none", "-no-reboot",
            "-kernel", kernel, "-initrd", initramfs,
            "-append", "console=ttyS0 quiet panic=-1",
            "-serial", "stdio",
            "-qmp", f"unix:{socket_path},server=on,wait=off",
        ] + drive_args
        self.qemu_log.write(" ".join(command) + "\n")
        self.qemu_log.flush()
        self.started = time.monotonic()
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.qemu_log)
        self.selector = selectors.DefaultSelector()
        self.serial_buffer = b""
        self.serial_lines = []
        self.serial_read = 0
        self.qmp_buffer = b""
        self.events = []
        self.replies = {}
        self.next_id = 0
        self.greeting = None
        self.qmp = None
        try:
            self.selector.register(self.process.stdout, selectors.EVENT_READ, "serial")
            self.qmp = self._connect(socket_path)
            self.selector.register(self.qmp, selectors.EVENT_READ, "qmp")
            self._wait(lambda: self.greeting is not None, 10, "QMP greeting")
            self.execute("qmp_capabilities")
        except BaseException:
            self.close()
            raise

    def _connect(self, path):
        deadline = time.monotonic() + 10
        while True:
            try:
                connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                connection.connect(path)
                return connection
            except OSError:
                connection.close()
                if self.process.poll() is not None or time.monotonic() > deadline:
                    raise TestFailure(f"{self.name}: QEMU did not open its QMP socket")
                time.sleep(0.05)

    def clock(self):
        return time.monotonic() - self.started

    def _pump(self, timeout):
        for key, _ in self.selector.select(timeout):
            if key.data == "serial":
                data = os.read(self.process.stdout.fileno(), 65536)
                if not data:
                    self.selector.unregister(self.process.stdout)
                    continue
                self.serial_buffer += data
                *lines, self.serial_buffer = self.serial_buffer.split(b"\n")
                for raw in lines:
                    line = raw.decode("utf-8", "replace").rstrip("\r")
                    self.console_log.write(line + "\n")
                    self.serial_lines.append(line)
                self.console_log.flush()
            else:
                data = self.qmp.recv(65536)
                if not data:
                    self.selector.unregister(self.qmp)
                    continue
                self.qmp_buffer += data
                *lines, self.qmp_buffer = self.qmp_buffer.split(b"\n")
                for raw in lines:
                    if not raw.strip():
                        continue
                    message = json.loads(raw)
                    self.qmp_log.write(f"{self.clock():8.3f} <- {json.dumps(message)}\n")
                    if "QMP" in message:
                        self.greeting = message
                    elif "event" in message:
                        self.events.append(message)
                    elif "id" in message:
                        self.replies[message["id"]] = message
                self.qmp_log.flush()

    def _wait(self, condition, timeout, what):
        deadline = time.monotonic() + timeout
        while not condition():
            left = deadline - time.monotonic()
            if left <= 0:
                raise TestFailure(f"{self.name}: timed out after {timeout} s waiting for {what}")
            if self.process.poll() is not None and not self.selector.get_map():
                raise TestFailure(f"{self.name}: QEMU ended (exit {self.process.returncode}) "
                                  f"while waiting for {what}")
            self._pump(min(left, 0.5))

    def execute(self, command, **arguments):
        self.next_id += 1
        request = {"execute": command, "id": self.next_id}
        if arguments:
            request["arguments"] = arguments
        self.qmp_log.write(f"{self.clock():8.3f} -> {json.dumps(request)}\n")
        self.qmp.sendall(json.dumps(request).encode() + b"\n")
        number = self.next_id
        self._wait(lambda: number in self.replies, STEP_TIMEOUT, f"the reply to {command}")
        reply = self.replies.pop(number)
        if "error" in reply:
            raise TestFailure(f"{self.name}: {command} failed: {reply['error']}")
        return reply["return"]

    def _next_ready(self, timeout, what):
        """Guest lines up to and including the next "VP: ready"."""
        def ready():
            return any(line.endswith("VP: ready") for line in self.serial_lines[self.serial_read:])
        self._wait(ready, timeout, what)
        lines = []
        while True:
            line = self.serial_lines[self.serial_read]
            self.serial_read += 1
            if line.endswith("VP: ready"):
                return lines
            if "VP: " in line:
                lines.append(line[line.index("VP: ") + 4:])

    def boot(self):
        self._next_ready(BOOT_TIMEOUT, "the probe to start")
        return self.clock()

    def guest(self, command):
        """Sends one command to the probe and returns its reply lines."""
        self.process.stdin.write(command.encode() + b"\n")
        self.process.stdin.flush()
        return self._next_ready(STEP_TIMEOUT, f"the guest to finish '{command}'")

    def cd_state(self):
        for device in self.execute("query-block"):
            if device.get("qdev", "").endswith(CDROM_ID) or device.get("device") == "cd0":
                inserted = device.get("inserted")
                return {"tray_open": device.get("tray_open"), "locked": device.get("locked"),
                        "medium": os.path.basename(inserted["file"]) if inserted else None}
        return None

    def removable_devices(self):
        return [device for device in self.execute("query-block") if device.get("removable")]

    def tray_events(self, since):
        return ["open" if event["data"]["tray-open"] else "closed"
                for event in self.events[since:] if event["event"] == "DEVICE_TRAY_MOVED"]

    def power_off(self):
        try:
            self.process.stdin.write(b"quit\n")
            self.process.stdin.flush()
            self.process.wait(timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            pass
        self.close()

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        try:
            while self.selector.get_map():
                self._pump(0.2)
                if not self.selector.select(0):
                    break
        except (OSError, ValueError):
            pass
        if self.serial_buffer:  # the last words, without a line end
            self.console_log.write(self.serial_buffer.decode("utf-8", "replace") + "\n")
        if self.qmp is not None:
            self.qmp.close()
        shutil.rmtree(self.socket_directory, ignore_errors=True)
        for file in (self.console_log, self.qmp_log, self.qemu_log):
            file.close()


# --------------------------------------------------------------------------
# The cases


class Report:
    def __init__(self, machine):
        self.machine = machine
        self.lines = []
        self.held = 0
        self.failed = []
        self.observations = []

    def say(self, text):
        self.lines.append(text)

    def check(self, condition, text):
        if condition:
            self.held += 1
            self.say(f"    ok    {text}")
        else:
            self.failed.append(text)
            self.say(f"    FAIL  {text}")

    def step(self, title, command):
        """Runs one guest command; returns (guest reply lines, tray events, drive state)."""
        mark = len(self.machine.events)
        reply = self.machine.guest(command)
        state = self.machine.cd_state()  # also drains every event sent before it
        events = self.machine.tray_events(mark)
        self.say(f"  {title}: guest `{command}`")
        for line in reply:
            self.say(f"    guest: {line}")
        self.say(f"    tray-moved events: {events if events else 'none'}; drive: {state}")
        return reply, events, state

    def drive(self, title, verb, argument="", expected_events=None, expected_backend=None):
        reply, events, state = self.step(title, f"drive {verb} {argument}".rstrip())
        self.check(f"drive {verb} returned" in reply, f"DriveCommand(\"{verb}\") returned normally")
        backend = [line for line in reply if line.startswith("backend ")]
        if expected_backend is not None:
            sent = [line.split('"')[1] for line in backend]
            self.check(sent == expected_backend, f"backend received {expected_backend} (got {sent})")
        if expected_events is not None:
            self.check(events == expected_events,
                       f"tray-moved events {expected_events} (got {events})")
        return reply, events, state


OPEN = "set cdaudio door open"
CLOSED = "set cdaudio door closed"


def cases_with_drive(machine, report, disc):
    reply, events, state = report.step("device discovery", "find")
    report.check("find /dev/sr0" in reply, "the backend finds /dev/sr0 (no /dev/cdrom without udev)")
    report.check(state == {"tray_open": False, "locked": False, "medium": None},
                 "the drive starts empty with its tray closed")

    _, _, state = report.drive("opn, empty drive", "opn", expected_events=["open"],
                               expected_backend=[OPEN])
    report.check(state and state["tray_open"] is True, "query-block: tray open")
    _, _, state = report.drive("cls, empty drive", "cls", expected_events=["closed"],
                               expected_backend=[CLOSED])
    report.check(state and state["tray_open"] is False, "query-block: tray closed")
    _, _, state = report.drive("Opn (capital first letter)", "Opn", expected_events=["open"],
                               expected_backend=[OPEN])
    report.check(state and state["tray_open"] is True, "query-block: tray open")
    _, _, state = report.drive("CLS (capitals)", "CLS", expected_events=["closed"],
                               expected_backend=[CLOSED])
    report.check(state and state["tray_open"] is False, "query-block: tray closed")

    for verb, expected, command in (("opn", "open", OPEN), ("cls", "closed", CLOSED)):
        reply, events, _ = report.step(f"{verb} as an ordinary user, empty drive", f"user {verb}")
        report.check(f"drive {verb} returned" in reply, f"DriveCommand(\"{verb}\") returned normally")
        report.check(events == [expected], f"tray-moved events {[expected]} (got {events})")

    reply, _, _ = report.drive("msg", "msg", "Hei maailma", expected_events=[], expected_backend=[])
    report.check('information box "Hei maailma" titled "Information"' in reply,
                 "msg shows its argument in the information box and nothing else")
    reply, _, state = report.drive("unknown verb", "xyz", "opn", expected_events=[],
                                   expected_backend=[])
    report.check(not any(line.startswith("information box") for line in reply),
                 "an unknown verb shows nothing")
    report.check(state and state["tray_open"] is False, "query-block: tray still closed")

    # A disc goes in from outside, as a person would put one in the tray.
    mark = len(machine.events)
    machine.execute("blockdev-change-medium", id=CDROM_ID, filename=disc, format="raw",
                    **{"read-only-mode": "read-only"})
    state = machine.cd_state()
    report.say(f"  host inserts {os.path.basename(disc)}: tray-moved events "
               f"{machine.tray_events(mark) or 'none'} (moved by QEMU, not the guest); drive: {state}")
    report.check(state and state["medium"] == os.path.basename(disc) and not state["tray_open"],
                 "the disc is in and the tray closed")

    _, _, state = report.drive("opn with a disc", "opn", expected_events=["open"], expected_backend=[OPEN])
    report.check(state and state["tray_open"] is True and state["medium"] == os.path.basename(disc),
                 "query-block: tray open with the disc on it (ejected)")
    _, _, state = report.drive("cls with a disc", "cls", expected_events=["closed"], expected_backend=[CLOSED])
    report.check(state and state["tray_open"] is False and state["medium"] == os.path.basename(disc),
                 "query-block: tray closed with the disc back in")
    reply, _, state = report.step("mount the disc that came back", "mount")
    report.check(any(line.startswith("mount /dev/sr0 ok") for line in reply), "the guest mounts the disc")
    report.check(state and state["locked"] is True, "query-block: the kernel locked the door for the mount")
    reply, _, _ = report.step("read from the disc", f"read {DISC_FILE}")
    report.check(f'read {DISC_FILE} "{DISC_TEXT}"' in reply, "the guest reads the disc")

    # The door is locked by the mount. What happens is up to the kernel and
    # the drive; the program must only return normally and report nothing.
    for title, command in (("opn with the disc mounted, ordinary user", "user opn"),
                           ("opn with the disc mounted, root", "drive opn")):
        reply, events, state = report.step(title, command)
        report.check("drive opn returned" in reply, "DriveCommand(\"opn\") returned normally")
        report.check(not any(line.startswith(("information box", "user process ended")) for line in reply),
                     "nothing is reported and nothing crashed")
        code = next((line.split("-> ", 1)[1] for line in reply if line.startswith("backend ")), "?")
        # DriveCommand ignores the code, but the backend must not call a
        # refused eject a success.
        moved = events == ["open"]
        report.check(code.startswith("0 ") == moved,
                     f"the backend's code ({code}) agrees with the tray ({'moved' if moved else 'did not move'})")
        report.observations.append(
            f"{title}: the backend returned {code}; tray-moved events: {events or 'none'}; "
            f"drive after: tray {'open' if state['tray_open'] else 'closed'}, "
            f"door {'locked' if state['locked'] else 'unlocked'}, medium {state['medium']}")
    reply, _, _ = report.step("unmount", "umount")
    report.check("umount ok" in reply, "the guest unmounts the disc")
    reply, _, _ = report.step("the probe still answers", "find")
    report.check("find /dev/sr0" in reply, "the guest is still alive and sees its drive")


def cases_without_drive(machine, report):
    report.check(machine.removable_devices() == [], "query-block: the machine has no removable drive")
    reply, _, _ = report.step("device discovery", "find")
    report.check("find (none)" in reply, "the backend finds no drive")
    for verb, command in (("opn", OPEN), ("cls", CLOSED), ("Opn", OPEN), ("CLS", CLOSED)):
        reply, events, _ = report.drive(f"{verb}, no drive", verb, expected_events=[],
                                        expected_backend=[command])
        report.check(not any(line.startswith("information box") for line in reply),
                     "nothing is reported")
        codes = [line.split("-> ", 1)[1] for line in reply if line.startswith("backend ")]
        if verb == "opn":
            report.observations.append(f"no drive: the backend returned {codes[0] if codes else '?'}")


def run_machine(name, work, kernel, initramfs, drive_args, body, results):
    machine = None
    report = None
    try:
        machine = Machine(name, work, kernel, initramfs, drive_args)
        report = Report(machine)
        booted = machine.boot()
        report.say(f"  booted to the probe in {booted:.1f} s")
        body(machine, report)
        machine.guest("dmesg")
    except Exception as error:  # noqa: BLE001 - any failure ends this machine's cases
        if report is None:
            report = Report(None)
        report.failed.append(f"{name}: {type(error).__name__}: {error}")
        report.say(f"    FAIL  {type(error).__name__}: {error}")
    finally:
        if machine is not None:
            machine.power_off()
            report.say(f"  machine ran for {machine.clock():.1f} s")
    results[name] = report


def print_artefacts(directory):
    for name in ("console.log", "qmp.log", "qemu.log"):
        path = os.path.join(directory, name)
        if os.path.exists(path):
            log(f"----- {path} -----")
            with open(path, errors="replace") as file:
                sys.stdout.write(file.read())
            log(f"----- end of {name} -----")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--probe", required=True, help="the static probe built from drive/")
    parser.add_argument("--work", required=True, help="work directory in the build tree")
    options = parser.parse_args()

    started = time.monotonic()
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)
    for tool in ("qemu-system-x86_64", "cpio", "apt-get", "dpkg-deb"):
        if not shutil.which(tool):
            log(f"FAIL: {tool} is not installed")
            return 1
    try:
        kernel, modules = fetch_kernel(os.path.join(work, "kernel"))
        initramfs = make_initramfs(work, os.path.abspath(options.probe), modules)
        disc = make_disc(work)
    except (TestFailure, subprocess.CalledProcessError) as error:
        detail = getattr(error, "stderr", "") or ""
        log(f"FAIL: preparing the guest: {error} {detail}")
        return 1
    log(f"guest prepared in {time.monotonic() - started:.1f} s")

    machines = {
        "with-cd-drive": (["-drive", "if=none,id=cd0,media=cdrom",
                           "-device", f"ide-cd,drive=cd0,id={CDROM_ID}"],
                          lambda machine, report: cases_with_drive(machine, report, disc)),
        "without-cd-drive": ([], cases_without_drive),
    }
    results = {}
    threads = [threading.Thread(target=run_machine,
                                args=(name, work, kernel, initramfs, drive_args, body, results))
               for name, (drive_args, body) in machines.items()]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()

    held = 0
    failed = []
    for name in machines:
        report = results[name]
        log(f"== machine {name} ==")
        for line in report.lines:
            log(line)
        held += report.held
        failed += [f"{name}: {text}" for text in report.failed]
    log("== what the drives did ==")
    for name in machines:
        for observation in results[name].observations:
            log(f"  {name}: {observation}")
    if failed:
        for name in machines:
            print_artefacts(os.path.join(work, name))
        log("== failed checks ==")
        for text in failed:
            log(f"  {text}")
    log(f"vm checks: {held} held, {len(failed)} failed; {time.monotonic() - started:.1f} s in all; "
        f"artefacts in {work}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
