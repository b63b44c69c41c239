#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real-drive test: the program's drive layer against the Linux CD driver.

Boots a stock Debian kernel in QEMU (software emulation) twice at once: one
machine with an emulated ATAPI CD drive on the IDE bus, one with no CD drive
at all. The guest's workload is the probe built from drive/; it runs
DriveCommand when told to over the serial console. Beside it the guest has
util-linux's own mount, umount (setuid root) and eject with their libraries,
from Debian's packages (apt-get download, unpacked, never installed), an
fstab that lets the ordinary user mount the disc, and that user. The machine
with the drive also gets the program itself, vorkula-ponkka as built, with
every library it loads (copied from this machine, which runs the same Debian)
but no Qt plugin, and runs its --open, --close and --toggle with no display.
This script watches the drive from outside through QMP: every
DEVICE_TRAY_MOVED event, and query-block after every step; it reads the
guest's mount table before and after each tray action, and times the open of
a mounted disc against eject(1).

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
import statistics
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
# util-linux in the guest: Debian's packages, unpacked, never installed

# Package -> the programs the guest takes from it.
GUEST_PROGRAMS = {"mount": ["bin/mount", "bin/umount"], "eject": ["usr/bin/eject"]}
SETUID_PROGRAMS = {"bin/mount", "bin/umount"}
LIBRARY_DIRECTORIES = ["lib/x86_64-linux-gnu", "usr/lib/x86_64-linux-gnu", "lib64"]


def apt_download(packages, directory):
    """Downloads the packages' .deb files into `directory`; returns their paths."""
    os.makedirs(directory, exist_ok=True)
    try:
        run(["apt-get", "download"] + packages, cwd=directory)
    except subprocess.CalledProcessError as error:
        if os.geteuid() != 0:
            raise
        log(f"apt-get download failed ({error.stderr.strip()}); running apt-get update")
        subprocess.run(["apt-get", "update", "-q"], check=True)
        run(["apt-get", "download"] + packages, cwd=directory)
    return [os.path.join(directory, name) for name in os.listdir(directory) if name.endswith(".deb")]


def shared_libraries(binary):
    """(name, host path) of every library the binary loads, the loader included."""
    result = subprocess.run(["ldd", binary], text=True, capture_output=True)
    if result.returncode != 0:
        raise TestFailure(f"ldd {binary}: {result.stdout.strip()} {result.stderr.strip()}")
    libraries = []
    for line in result.stdout.splitlines():
        words = line.split()
        if "=>" in words and len(words) >= 3 and words[2].startswith("/"):
            libraries.append((words[0], words[2]))
        elif words and words[0].startswith("/"):
            libraries.append((os.path.basename(words[0]), words[0]))
        elif "not found" in line:
            raise TestFailure(f"ldd {binary}: {line.strip()}")
    return libraries


def owning_package(path):
    """The Debian package that ships a library (the host's copy tells which)."""
    candidates = [path, os.path.realpath(path)]
    for candidate in list(candidates):
        for merged, split in (("/usr/lib/", "/lib/"), ("/lib/", "/usr/lib/")):
            if candidate.startswith(merged):
                candidates.append(split + candidate[len(merged):])
    for candidate in candidates:
        result = subprocess.run(["dpkg-query", "-S", candidate], text=True, capture_output=True)
        if result.returncode == 0:
            return result.stdout.split(":", 1)[0].strip()
    raise TestFailure(f"no installed package ships {path}")


def resolve_in(root, relative):
    """Follows symbolic links inside an unpacked tree; None when it leads nowhere."""
    path = os.path.join(root, relative)
    for _ in range(20):
        if not os.path.islink(path):
            return path if os.path.isfile(path) else None
        target = os.readlink(path)
        path = os.path.join(root, target.lstrip("/")) if target.startswith("/") \
            else os.path.join(os.path.dirname(path), target)
    return None


def fetch_userland(cache, probe):
    """Unpacks util-linux's programs and every library that they and the probe
    load into cache/root, fetching each package once. Returns (root, files):
    files maps a path in the guest to the file in root that goes there."""
    root = os.path.join(cache, "root")
    stamp = os.path.join(cache, "packages")
    have = set()
    if os.path.exists(stamp):
        with open(stamp) as stamp_file:
            have = set(stamp_file.read().split())

    def fetch(packages):
        missing = sorted(set(packages) - have)
        if not missing:
            return
        log(f"fetching guest packages: {' '.join(missing)}")
        download = os.path.join(cache, "download")
        shutil.rmtree(download, ignore_errors=True)
        for deb in apt_download(missing, download):
            run(["dpkg-deb", "-x", deb, root])
        shutil.rmtree(download, ignore_errors=True)
        have.update(missing)
        with open(stamp, "w") as out:
            out.write("\n".join(sorted(have)) + "\n")

    fetch(GUEST_PROGRAMS)
    programs = [program for listed in GUEST_PROGRAMS.values() for program in listed]
    libraries = {}
    for binary in [probe] + [os.path.join(root, program) for program in programs]:
        libraries.update(shared_libraries(binary))
    fetch({owning_package(path) for path in libraries.values()})

    files = {program: os.path.join(root, program) for program in programs}
    for name, host_path in libraries.items():
        found = None
        for directory in LIBRARY_DIRECTORIES:
            found = found or resolve_in(root, os.path.join(directory, name))
        if found is None:
            raise TestFailure(f"{name} is not in the unpacked packages under {root}")
        if name.startswith("ld-linux"):
            files[host_path.lstrip("/")] = found
        files[os.path.join("lib/x86_64-linux-gnu", name)] = found
    return files


# The program itself in the guest: the build's executable where the package
# puts it, every library it loads, Qt's Finnish texts (the package depends on
# qt6-translations-l10n) and the C.UTF-8 locale that every Debian system has
# (libc-bin), copied from the host's own files: the guest runs the same
# Debian. No Qt plugin goes in: the tray actions need none.
PROGRAM = "/usr/bin/vorkula-ponkka"
PROGRAM_DATA = ["usr/share/qt6/translations/qtbase_fi.qm", "usr/lib/locale/C.utf8"]


def program_files(program, userland):
    """Maps a path in the guest to the host file that goes there, for what the
    program needs beyond `userland` (which already has the C library, libmount
    and the loader, from Debian's packages)."""
    files = {PROGRAM.lstrip("/"): program}
    for name, host_path in shared_libraries(program):
        guest_path = os.path.join("lib/x86_64-linux-gnu", name)
        if guest_path not in userland:
            files[guest_path] = os.path.realpath(host_path)
    for data in PROGRAM_DATA:
        if os.path.isdir("/" + data):
            for directory, _, names in os.walk("/" + data):
                for name in names:
                    files[os.path.relpath(os.path.join(directory, name), "/")] = os.path.join(directory, name)
        elif os.path.isfile("/" + data):
            files[data] = "/" + data
        else:
            raise TestFailure(f"/{data} is missing (scripts/install-deps.sh installs it)")
    return files


# --------------------------------------------------------------------------
# The guest's initramfs and the disc


INIT_SCRIPT = """#!/bin/busybox sh
/bin/busybox mount -t devtmpfs devtmpfs /dev
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t sysfs sysfs /sys
for module in {modules}; do
    /bin/busybox insmod /lib/modules/$module.ko || echo "VP: insmod $module failed"
done
# A desktop session's device rules let the logged-in user open the drive,
# and it gives the user a private run-time folder.
/bin/busybox chmod 0666 /dev/sr* 2>/dev/null
/bin/busybox mkdir -p -m 0700 /run/user/1000
/bin/busybox chown 1000:1000 /run/user/1000
exec /probe
"""

# The ordinary user (uid 1000) and an fstab entry that lets any user mount
# the disc, as desktops commonly have.
GUEST_FILES = {
    "etc/passwd": "root:x:0:0:root:/root:/bin/sh\ntester:x:1000:1000:Tester:/:/bin/sh\n",
    "etc/group": "root:x:0:\ncdrom:x:24:tester\ntester:x:1000:\n",
    "etc/fstab": "/dev/sr0 /media/cd iso9660 user,noauto,ro 0 0\n",
}


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


# The initramfs is packed with zstd, which packs the program's libraries
# (some 80 MB) in well under a second and which the guest's kernel unpacks
# fastest.
COMPRESSION = ["zstd", "-q", "-3", "-T0"]


def stage_files(stage, files):
    """Copies files (path in the guest -> file on the host) into a staging folder."""
    for guest_path, source in files.items():
        target = os.path.join(stage, guest_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(source, target)
        os.chmod(target, 0o4755 if guest_path in SETUID_PROGRAMS
                 else 0o755 if os.access(source, os.X_OK) else 0o644)


def pack(stage, image, what):
    """Packs a staging folder into a compressed cpio archive."""
    entries = []
    for directory, subdirectories, names_here in os.walk(stage):
        for name in sorted(subdirectories + names_here):
            entries.append(os.path.relpath(os.path.join(directory, name), stage))
    with open(image, "wb") as out:
        # Owned by root in the guest, whoever builds it: mount and umount are setuid root.
        cpio = subprocess.Popen(["cpio", "-o", "-H", "newc", "--quiet", "-R", "0:0"], cwd=stage,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        packer = subprocess.Popen(COMPRESSION, stdin=cpio.stdout, stdout=out)
        cpio.stdout.close()
        cpio.communicate("\n".join(entries).encode() + b"\n")
        if cpio.wait() != 0 or packer.wait() != 0:
            raise TestFailure(f"packing {what} failed (cpio exit {cpio.returncode}, "
                              f"{COMPRESSION[0]} exit {packer.returncode})")
    unpacked = sum(os.lstat(os.path.join(stage, entry)).st_size for entry in entries)
    log(f"{what}: {len(entries)} entries, {unpacked / 1e6:.1f} MB, packed {os.path.getsize(image) / 1e6:.1f} MB")


def make_initramfs(work, probe, modules, userland):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.exists(busybox) or not is_static_elf(busybox):
        raise TestFailure(f"{busybox} is missing or not statically linked "
                          "(install busybox-static)")

    stage = os.path.join(work, "initramfs")
    shutil.rmtree(stage, ignore_errors=True)
    for directory in ("bin", "dev", "proc", "sys", "mnt", "lib/modules", "media/cd", "srv/disc", "run/mount",
                      "etc"):
        os.makedirs(os.path.join(stage, directory))
    shutil.copy(busybox, os.path.join(stage, "bin", "busybox"))
    os.symlink("busybox", os.path.join(stage, "bin", "sleep"))
    shutil.copy(probe, os.path.join(stage, "probe"))
    stage_files(stage, userland)
    for guest_path, text in GUEST_FILES.items():
        with open(os.path.join(stage, guest_path), "w") as out:
            out.write(text)
    names = MODULES + EXTRA_MODULES
    for name in names:
        with open(os.path.join(stage, "lib", "modules", name + ".ko"), "wb") as out:
            out.write(module_bytes(modules, name))
    init = os.path.join(stage, "init")
    with open(init, "w") as out:
        out.write(INIT_SCRIPT.format(modules=" ".join(names)))
    os.chmod(init, 0o755)

    image = os.path.join(work, "initramfs.cpio.zst")
    pack(stage, image, "initramfs")
    return image


def add_program(work, initramfs, files):
    """The initramfs with the program's archive after it (the kernel unpacks
    one archive after another). Only the machine with a drive needs it; the
    archive is packed again only when one of its files has changed."""
    archive = os.path.join(work, "program.cpio.zst")
    stamp = archive + ".files"
    listing = json.dumps(sorted((guest_path, source, os.stat(source).st_size, os.stat(source).st_mtime_ns)
                                for guest_path, source in files.items()), indent=0)
    packed = None
    if os.path.exists(archive) and os.path.exists(stamp):
        with open(stamp) as stamp_file:
            packed = stamp_file.read()
    if packed == listing:
        log(f"the program's archive: unchanged, {os.path.getsize(archive) / 1e6:.1f} MB packed")
    else:
        # The staging folder would only copy files this machine has anyway.
        stage = os.path.join(work, "program-initramfs")
        shutil.rmtree(stage, ignore_errors=True)
        try:
            stage_files(stage, files)
            pack(stage, archive, "the program's archive")
        finally:
            shutil.rmtree(stage, ignore_errors=True)
        with open(stamp, "w") as out:
            out.write(listing)
    image = os.path.join(work, "initramfs-program.cpio.zst")
    with open(image, "wb") as out:
        for part in (initramfs, archive):
            with open(part, "rb") as source:
                shutil.copyfileobj(source, out)
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
            # The program's libraries fill some 90 MB of the initramfs, unpacked
            # into memory at boot.
            "-machine", "pc", "-accel", "tcg", "-m", "384", "-smp", "1",
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
        """Sends one command to the probe and returns its reply lines. The
        host's wall clock when the command left is kept in `sent_at`, to set
        against the QMP events' timestamps (QEMU stamps them with the same
        clock)."""
        self.sent_at = time.time()
        self.process.stdin.write(command.encode() + b"\n")
        self.process.stdin.flush()
        return self._next_ready(STEP_TIMEOUT, f"the guest to finish '{command}'")

    def tray_event_delays(self, since):
        """Seconds from the last command sent to each tray event after `since`."""
        return [event["timestamp"]["seconds"] + event["timestamp"]["microseconds"] / 1e6 - self.sent_at
                for event in self.events[since:] if event["event"] == "DEVICE_TRAY_MOVED"]

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
        self.scenarios = []
        self.timings = {}

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


def cases_with_drive(machine, report, disc, version):
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
    report.check(any(line.startswith("mount /dev/sr0 on /mnt ok") for line in reply), "the guest mounts the disc")
    report.check(state and state["locked"] is True, "query-block: the kernel locked the door for the mount")
    reply, _, _ = report.step("read from the disc", f"read {DISC_FILE}")
    report.check(f'read {DISC_FILE} "{DISC_TEXT}"' in reply, "the guest reads the disc")

    # With a disc mounted, opening means unmounting first; when that fails
    # the tray stays where it is and one line on stderr says why.
    mounted_scenario(report, "disc mounted by root; an ordinary user opens", "user", "user opn",
                     moves=False, code="1 ", says="not allowed to unmount /mnt (umount: /mnt: must be superuser")
    hold(report, "root", f"/mnt/{DISC_FILE}")
    mounted_scenario(report, "a file on the disc held open by root; root opens", "root", "drive opn",
                     moves=False, code="16 ", says="the disc is in use: /mnt could not be unmounted "
                     "(umount: /mnt: target is busy.); it is held by sleep (pid ")
    report.step("the file is closed", "release")
    mounted_scenario(report, "disc mounted by root; root opens", "root", "drive opn", moves=True)
    report.drive("cls, disc unmounted", "cls", expected_events=["closed"], expected_backend=[CLOSED])

    user_mount(report)
    hold(report, "user", f"/media/cd/{DISC_FILE}")
    mounted_scenario(report, "a file on the disc held open by the user; the user opens", "user", "user opn",
                     moves=False, code="16 ", says="the disc is in use: /media/cd could not be unmounted "
                     "(umount: /media/cd: target is busy.); it is held by sleep (pid ")
    report.step("the file is closed", "release")
    mounted_scenario(report, "disc mounted by the user through fstab (user,noauto); the user opens", "user",
                     "user opn", moves=True)
    report.drive("cls, disc unmounted", "cls", expected_events=["closed"], expected_backend=[CLOSED])

    # The same disc mounted twice, and one of its mounts bound elsewhere.
    for command in ("mount /mnt", "mount /media/cd", "run root /bin/mount --bind /media/cd /srv/disc"):
        reply, _, _ = report.step("mount again", command)
        report.check(any(" ok (attempt" in line or line.endswith(" exit 0") for line in reply),
                     f"`{command}` succeeded")
    mounted_scenario(report, "disc mounted on /mnt and /media/cd, /media/cd bound to /srv/disc; root opens",
                     "root", "drive opn", moves=True, mounts_before=3)
    report.drive("cls, disc unmounted", "cls", expected_events=["closed"], expected_backend=[CLOSED])

    time_open_of_mounted_disc(machine, report)
    program_cases(report, version)
    reply, _, _ = report.step("the probe still answers", "find")
    report.check("find /dev/sr0" in reply, "the guest is still alive and sees its drive")


def disc_mounts(report):
    """The guest's /proc/mounts lines for the disc."""
    reply = report.machine.guest("mounts")
    return [line[len("mounts "):] for line in reply if line.startswith("mounts /dev/sr0 ")]


def stderr_lines(reply):
    return [line[len("stderr "):] for line in reply if line.startswith("stderr ")]


def backend_code(reply):
    return next((line.split("-> ", 1)[1] for line in reply if line.startswith("backend ")), "?")


def hold(report, who, path):
    reply, _, _ = report.step(f"{who} holds {path} open", f"hold {who} {path}")
    report.check(any(line.startswith("hold pid ") for line in reply), f"a program of {who}'s holds {path} open")


def user_mount(report):
    """The ordinary user mounts the disc through its fstab entry, with the
    setuid mount; right after the tray closes the drive may not be ready."""
    for attempt in range(20):
        reply, _, _ = report.step("the user mounts the disc (fstab: user,noauto)", "run user /bin/mount /media/cd")
        if "run /bin/mount exit 0" in reply:
            break
        time.sleep(0.2)
    report.check("run /bin/mount exit 0" in reply, f"the user mounted /media/cd (attempt {attempt + 1})")


def mounted_scenario(report, title, user, command, moves, code="0 ", says=None, mounts_before=1):
    """Opens with the disc mounted and checks the tray, the mount table and the
    stderr line against each other."""
    before = disc_mounts(report)
    report.check(len(before) == mounts_before, f"{mounts_before} mount(s) of the disc before: {before}")
    reply, events, state = report.step(title, command)
    after = disc_mounts(report)
    lines = stderr_lines(reply)
    verb = command.split()[-1]
    report.check(f"drive {verb} returned" in reply and not any(line.startswith("user process ended") for line in reply),
                 f"DriveCommand(\"{verb}\") returned normally")
    got = backend_code(reply)
    report.check(got.startswith(code), f"the backend returned {code.strip()} (got {got})")
    if moves:
        report.check(events == ["open"], f"tray-moved events ['open'] (got {events})")
        report.check(after == [], f"nothing of the disc is left mounted (got {after})")
        report.check(lines == [], f"nothing on stderr (got {lines})")
    else:
        report.check(events == [], f"the tray did not move (events: {events or 'none'})")
        report.check(state and state["tray_open"] is False and state["locked"] is True,
                     "query-block: tray closed, door still locked by the mount")
        report.check(after == before, f"the mount is intact (after: {after})")
        report.check(len(lines) == 1 and says is not None and says in lines[0],
                     f"exactly one stderr line, saying \"{says}...\" (got {lines})")
    report.scenarios.append({"title": title, "user": user, "before": len(before), "after": len(after),
                             "events": events, "result": f"backend {got}", "stderr": lines, "noise": []})


def time_open_of_mounted_disc(machine, report, runs=7):
    """Open request to tray event with the disc mounted on /mnt: the drive
    layer (DriveCommand("opn")) against util-linux's eject /dev/sr0,
    interleaved, the order swapped every run."""
    contenders = [("drive layer", "drive opn"), ("eject(1)", "run root /usr/bin/eject /dev/sr0")]
    for run_number in range(runs):
        for name, command in (contenders if run_number % 2 == 0 else contenders[::-1]):
            reply = machine.guest("mount")
            if not any(" ok (attempt" in line for line in reply):
                report.check(False, f"timing run {run_number + 1}: mount for {name}: {reply}")
                return
            mark = len(machine.events)
            reply = machine.guest(command)
            machine.cd_state()  # drains the events sent before it
            delays = machine.tray_event_delays(mark)
            mounts = disc_mounts(report)
            if len(delays) != 1 or mounts:
                report.check(False, f"timing run {run_number + 1}, {name}: events after {delays}, "
                                    f"mounts left {mounts}; guest: {reply}")
                return
            report.timings.setdefault(name, []).append(delays[0])
            machine.guest("drive cls")
    ours, theirs = (statistics.median(report.timings[name]) for name, _ in contenders)
    report.check(True, f"timed {runs} opens of a mounted disc each way")
    report.observations.append(
        "open of a mounted disc, request to tray event, median of "
        f"{runs}: drive layer {ours * 1000:.0f} ms, eject(1) {theirs * 1000:.0f} ms, "
        f"ratio {ours / theirs:.2f}x (goal <= 1.10x); runs: "
        + "; ".join(f"{name} " + " ".join(f"{value * 1000:.0f}" for value in report.timings[name])
                    for name, _ in contenders) + " ms")


# The real program. The guest has no display, no fonts, no D-Bus and no Qt
# plugins, so a window or a GUI application object could not start there;
# QT_DEBUG_PLUGINS makes any plugin lookup show on standard error. Root runs
# it with only what the kernel gives the first process (HOME=/, TERM=linux),
# as a system service would; the user with what a desktop session gives at
# the least: a UTF-8 locale and a private run-time folder.
PROGRAM_ENVIRONMENT = {"root": ["QT_DEBUG_PLUGINS=1"],
                       "user": ["QT_DEBUG_PLUGINS=1", "LANG=C.UTF-8", "XDG_RUNTIME_DIR=/run/user/1000"]}


def run_program(report, title, who, arguments):
    """Runs the program in the guest as root or the user. Returns the guest's
    reply with the exit status, standard output and standard error picked out,
    the tray events and the drive's state after."""
    command = " ".join(["run", who] + PROGRAM_ENVIRONMENT[who] + [PROGRAM] + arguments)
    started = time.monotonic()
    reply, events, state = report.step(title, command)
    report.timings.setdefault("program", []).append(time.monotonic() - started)
    ended = [line[len(f"run {PROGRAM} "):] for line in reply if line.startswith(f"run {PROGRAM} ")]
    return {"status": ended[0] if ended else "(no answer)",
            "out": [line[4:] for line in reply if line.startswith("out ")],
            "err": [line[4:] for line in reply if line.startswith("err ")],
            "events": events, "state": state}


def program_scenario(report, title, who, action, events, status=0, says=None, mounts_before=0):
    """Runs `vorkula-ponkka --device /dev/sr0 ACTION` and checks the exit
    status, the tray, the mount table and standard error against each other."""
    before = disc_mounts(report)
    report.check(len(before) == mounts_before, f"{mounts_before} mount(s) of the disc before: {before}")
    result = run_program(report, title, who, ["--device", "/dev/sr0", action])
    after = disc_mounts(report)
    ours = [line for line in result["err"] if line.startswith("vorkula-ponkka:")]
    noise = [line for line in result["err"] if not line.startswith("vorkula-ponkka:")]
    report.check(result["status"] == f"exit {status}", f"exit {status} (got {result['status']})")
    report.check(result["events"] == events, f"tray-moved events {events} (got {result['events']})")
    report.check(result["out"] == [], f"nothing on standard output (got {result['out']})")
    if status == 0:
        report.check(result["err"] == [], f"nothing on standard error (got {result['err']})")
        report.check(after == [], f"nothing of the disc is left mounted (got {after})")
    else:
        report.check(len(ours) == 1 and ours[0].startswith("vorkula-ponkka: /dev/sr0: ") and says in ours[0],
                     f"exactly one line \"vorkula-ponkka: /dev/sr0: ...{says}...\" (got {ours})")
        report.check(after == before, f"the mount is intact (after: {after})")
        state = result["state"]
        report.check(state and state["tray_open"] is False and state["locked"] is True,
                     "query-block: tray closed, door still locked by the mount")
        for line in noise:
            report.say(f"    other output on standard error: {line}")
    report.scenarios.append({"title": title, "user": who, "before": len(before), "after": len(after),
                             "events": result["events"], "result": result["status"], "stderr": ours,
                             "noise": noise})


def program_cases(report, version):
    """The shipped program moves the tray with no window and no display."""
    for who in ("root", "user"):
        for action, tray, events in (("--open", "closed", ["open"]), ("--close", "open", ["closed"]),
                                     ("--toggle", "closed", ["open"]), ("--toggle", "open", ["closed"])):
            program_scenario(report, f"vorkula-ponkka {action}, tray {tray}", who, action, events)
    user_mount(report)
    program_scenario(report, "vorkula-ponkka --open, disc mounted by the user through fstab", "user", "--open",
                     ["open"], mounts_before=1)
    program_scenario(report, "vorkula-ponkka --close, disc unmounted", "user", "--close", ["closed"])
    user_mount(report)
    hold(report, "user", f"/media/cd/{DISC_FILE}")
    program_scenario(report, "vorkula-ponkka --open, a file on the user's mount held open by the user", "user",
                     "--open", [], status=1, mounts_before=1,
                     says="cannot open the tray: the disc is in use: /media/cd could not be unmounted "
                     "(umount: /media/cd: target is busy.); it is held by sleep (pid ")
    report.step("the file is closed", "release")
    reply, _, _ = report.step("the user unmounts the disc", "run user /bin/umount /media/cd")
    report.check("run /bin/umount exit 0" in reply, "the user unmounted /media/cd")

    # Answers that need no drive, as the user; the guest's output shows above.
    options = ("--device", "--open", "--close", "--toggle")
    answers = (
        (["--version"], "exit 0, its version on standard output, nothing on standard error",
         lambda result: result["status"] == "exit 0" and result["out"] == [f"vorkula-ponkka {version}"]
         and result["err"] == []),
        (["--help"], "exit 0, the Finnish help naming every tray option, nothing on standard error",
         lambda result: result["status"] == "exit 0" and result["err"] == []
         and result["out"][:1] == [f"Käyttö: {PROGRAM} [valitsimet]"]
         and all(any(line.strip().startswith(option) for line in result["out"]) for option in options)),
        (["--bogus"], "exit 2, the Finnish usage message on standard error",
         lambda result: result["status"] == "exit 2" and result["out"] == []
         and result["err"] == ["vorkula-ponkka: Tuntematon valitsin ”bogus”.",
                               "Käyttö: vorkula-ponkka [--device LAITE] [--open | --close | --toggle]",
                               "Lisätietoja: vorkula-ponkka --help"]),
    )
    for arguments, what, answered in answers:
        result = run_program(report, f"vorkula-ponkka {arguments[0]}", "user", arguments)
        report.check(answered(result) and result["events"] == [], f"{what}; the tray did not move")
        report.scenarios.append({"title": f"vorkula-ponkka {arguments[0]}", "user": "user", "before": 0,
                                 "after": 0, "events": result["events"], "result": result["status"],
                                 "stderr": result["err"], "noise": []})
    # With no arguments it wants a window, which the guest cannot give it.
    result = run_program(report, "vorkula-ponkka with no arguments (its window)", "user", [])
    report.check(result["status"] != "exit 0" and any("platform plugin" in line for line in result["err"]),
                 f"the window cannot start without a display and a platform plugin ({result['status']})")
    report.check(any(line.startswith("qt.core.plugin.factoryloader: checking directory path")
                     for line in result["err"]), "QT_DEBUG_PLUGINS shows the platform plugin lookup on standard error")
    runs = report.timings["program"]
    report.observations.append(f"the program, {len(runs)} runs in the guest without KVM, from the command "
                               f"leaving the host to the guest's answer: median {statistics.median(runs):.2f} s, "
                               f"longest {max(runs):.2f} s")


def cases_without_drive(machine, report):
    report.check(machine.removable_devices() == [], "query-block: the machine has no removable drive")
    reply, _, _ = report.step("device discovery", "find")
    report.check("find (none)" in reply, "the backend finds no drive")
    for verb, command in (("opn", OPEN), ("cls", CLOSED), ("Opn", OPEN), ("CLS", CLOSED)):
        reply, events, _ = report.drive(f"{verb}, no drive", verb, expected_events=[],
                                        expected_backend=[command])
        report.check(not any(line.startswith("information box") for line in reply),
                     "no window is shown")
        lines = stderr_lines(reply)
        report.check(len(lines) == 1 and "no CD drive found" in lines[0],
                     f"exactly one stderr line saying no CD drive was found (got {lines})")
        report.scenarios.append({"title": f"{verb}, no drive", "user": "root", "before": 0, "after": 0,
                                 "events": events, "result": f"backend {backend_code(reply)}", "stderr": lines,
                                 "noise": []})
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
    parser.add_argument("--probe", required=True, help="the probe built from drive/")
    parser.add_argument("--program", required=True, help="the program, vorkula-ponkka, as built")
    parser.add_argument("--program-version", required=True, help="the version it should answer")
    parser.add_argument("--work", required=True, help="work directory in the build tree")
    options = parser.parse_args()

    started = time.monotonic()
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)
    for tool in ("qemu-system-x86_64", "cpio", "zstd", "apt-get", "dpkg-deb", "dpkg-query", "ldd"):
        if not shutil.which(tool):
            log(f"FAIL: {tool} is not installed")
            return 1
    try:
        kernel, modules = fetch_kernel(os.path.join(work, "kernel"))
        probe = os.path.abspath(options.probe)
        userland = fetch_userland(os.path.join(work, "userland"), probe)
        initramfs = make_initramfs(work, probe, modules, userland)
        with_program = add_program(work, initramfs, program_files(os.path.abspath(options.program), userland))
        disc = make_disc(work)
    except (TestFailure, subprocess.CalledProcessError) as error:
        detail = getattr(error, "stderr", "") or ""
        log(f"FAIL: preparing the guest: {error} {detail}")
        return 1
    log(f"guest prepared in {time.monotonic() - started:.1f} s")

    machines = {
        "with-cd-drive": (with_program, ["-drive", "if=none,id=cd0,media=cdrom",
                                         "-device", f"ide-cd,drive=cd0,id={CDROM_ID}"],
                          lambda machine, report: cases_with_drive(machine, report, disc, options.program_version)),
        "without-cd-drive": (initramfs, [], cases_without_drive),
    }
    results = {}
    threads = [threading.Thread(target=run_machine,
                                args=(name, work, kernel, image, drive_args, body, results))
               for name, (image, drive_args, body) in machines.items()]
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
    log("== scenarios: user, mounts of the disc before -> after, tray events, "
        "backend code or the program's exit status, stderr ==")
    for name in machines:
        for scenario in results[name].scenarios:
            log(f"  {name}: {scenario['title']}")
            log(f"      user {scenario['user']}; mounts {scenario['before']} -> {scenario['after']}; "
                f"tray events {scenario['events'] or 'none'}; {scenario['result']}")
            for line in scenario["stderr"]:
                log(f"      stderr: {line}")
            for line in scenario["noise"]:
                log(f"      other stderr: {line}")
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
