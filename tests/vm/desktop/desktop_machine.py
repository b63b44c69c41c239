# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop guest running: Debian's stock kernel (the vm test's, fetched
with apt-get download) with a small initramfs that loads the drivers and
hands over to systemd on the image's root disk, an emulated ATAPI CD drive
watched through QMP, and two agents on virtio-serial ports: the seat user's
login shell on tty1, and root's system service.

The image is not written to unless asked (keep_writes): the machine boots it
with QEMU's snapshot mode, so every run starts from the same system.
"""

import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time

from harness.checks import TestFailure, log
import run_vm_test as vm

# The root disk, the agents' ports and the CD drive with its filesystems. The
# kernel can load nothing by itself from the image (it has no modules of this
# kernel), so every driver the guest uses is loaded before systemd starts:
# udev then finds the devices bound already.
MODULES = ["virtio_pci", "virtio_blk", "virtio_console", "crc32c_generic", "ext4",
           "ata_piix", "sr_mod", "isofs", "nls_utf8"]

INIT_SCRIPT = """#!/bin/busybox sh
/bin/busybox mount -t devtmpfs devtmpfs /dev
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t sysfs sysfs /sys
for module in {modules}; do
    /bin/busybox insmod /lib/modules/$module.ko || echo "initramfs: insmod $module failed"
done
for attempt in $(/bin/busybox seq 100); do
    [ -b /dev/vda ] && break
    /bin/busybox sleep 0.1
done
/bin/busybox mkdir -p /root
if ! /bin/busybox mount -t ext4 /dev/vda /root; then
    echo "initramfs: cannot mount the root disk"
    /bin/busybox poweroff -f
fi
for place in dev proc sys; do
    /bin/busybox mount -o move /$place /root/$place
done
exec /bin/busybox switch_root /root /sbin/init
"""

BOOT_TIMEOUT = 300
COMMAND_TIMEOUT = 120
MEMORY_MB = 1024


def with_dependencies(modules_directory, names):
    """The modules in load order: each after the modules it depends on (read
    from the module's own depends= field)."""
    ordered = []

    def add(name):
        if name in ordered:
            return
        code = vm.module_bytes(modules_directory, name)
        marker = code.find(b"\0depends=")
        depends = code[marker + 9:code.index(b"\0", marker + 9)].decode() if marker >= 0 else ""
        for dependency in filter(None, depends.split(",")):
            add(dependency)
        ordered.append(name)

    for name in names:
        add(name)
    return ordered


def make_initramfs(work, modules_directory):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.exists(busybox) or not vm.is_static_elf(busybox):
        raise TestFailure(f"{busybox} is missing or not statically linked (install busybox-static)")
    stage = os.path.join(work, "desktop-initramfs")
    shutil.rmtree(stage, ignore_errors=True)
    for directory in ("bin", "dev", "proc", "sys", "lib/modules"):
        os.makedirs(os.path.join(stage, directory))
    shutil.copy(busybox, os.path.join(stage, "bin", "busybox"))
    names = with_dependencies(modules_directory, MODULES)
    for name in names:
        with open(os.path.join(stage, "lib", "modules", name + ".ko"), "wb") as out:
            out.write(vm.module_bytes(modules_directory, name))
    init = os.path.join(stage, "init")
    with open(init, "w") as out:
        out.write(INIT_SCRIPT.format(modules=" ".join(names)))
    os.chmod(init, 0o755)
    image = os.path.join(work, "desktop-initramfs.cpio.zst")
    vm.pack(stage, image, "desktop initramfs")
    shutil.rmtree(stage)
    return image


class LineSocket:
    """A unix socket read line by line on a thread of its own."""

    def __init__(self, path, name, transcript):
        self.name = name
        self.transcript = transcript
        self.lines = []
        self.changed = threading.Condition()
        deadline = time.monotonic() + 10
        while True:
            try:
                self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.socket.connect(path)
                break
            except OSError:
                self.socket.close()
                if time.monotonic() > deadline:
                    raise TestFailure(f"QEMU did not open its socket {path}")
                time.sleep(0.05)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        buffer = b""
        while True:
            try:
                data = self.socket.recv(65536)
            except OSError:
                data = b""
            with self.changed:
                if not data:
                    self.lines.append(None)
                    self.changed.notify_all()
                    return
                buffer += data
                *complete, buffer = buffer.split(b"\n")
                for raw in complete:
                    line = raw.decode("utf-8", "replace")
                    self.transcript(f"{self.name} <- {line}")
                    self.lines.append(line)
                self.changed.notify_all()

    def send(self, line):
        self.transcript(f"{self.name} -> {line}")
        self.socket.sendall(line.encode() + b"\n")

    def wait_line(self, accept, start, timeout, what):
        """The index and text of the first line from `start` on that `accept` takes."""
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                for index in range(start, len(self.lines)):
                    if self.lines[index] is None:
                        raise TestFailure(f"{self.name}: the connection closed while waiting for {what}")
                    if accept(self.lines[index]):
                        return index, self.lines[index]
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TestFailure(f"{self.name}: timed out after {timeout} s waiting for {what}")
                self.changed.wait(left)

    def close(self):
        try:
            self.socket.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.socket.close()


class Agent:
    """One agent in the guest: runs shell commands and answers their exit
    status, standard output and standard error."""

    def __init__(self, line_socket):
        self.channel = line_socket
        self.next_id = 0
        self.read = 0
        self.user = None

    def wait_ready(self, timeout):
        index, line = self.channel.wait_line(lambda line: line.startswith("hello "), self.read, timeout,
                                             "the agent to start")
        self.read = index + 1
        self.user = line.split()[1]

    def run(self, command, timeout=COMMAND_TIMEOUT):
        """Runs `command` under bash in the guest; answers a dict with status,
        out, err (text) and seconds (from sending to the answer)."""
        self.next_id += 1
        tag = str(self.next_id)
        started = time.monotonic()
        self.channel.send(f"{tag} {base64.b64encode(command.encode()).decode()}")
        index, line = self.channel.wait_line(lambda line: line.split(" ", 1)[0] == tag, self.read, timeout,
                                             f"the answer to `{command}`")
        self.read = index + 1
        words = line.split(" ")
        decode = lambda text: base64.b64decode(text).decode("utf-8", "replace") if text else ""  # noqa: E731
        return {"status": int(words[1]), "out": decode(words[2] if len(words) > 2 else ""),
                "err": decode(words[3] if len(words) > 3 else ""), "seconds": time.monotonic() - started}


class Qmp:
    """QEMU's machine protocol: commands, and the events kept in order."""

    def __init__(self, line_socket):
        self.channel = line_socket
        self.next_id = 0
        self.channel.wait_line(lambda line: line.startswith('{"QMP"'), 0, 10, "the QMP greeting")
        self.execute("qmp_capabilities")

    def execute(self, command, **arguments):
        self.next_id += 1
        request = {"execute": command, "id": self.next_id}
        if arguments:
            request["arguments"] = arguments
        start = len(self.channel.lines)
        self.channel.send(json.dumps(request))
        number = self.next_id
        _, line = self.channel.wait_line(lambda line: json.loads(line).get("id") == number, start, 30,
                                         f"the reply to {command}")
        reply = json.loads(line)
        if "error" in reply:
            raise TestFailure(f"QMP {command} failed: {reply['error']}")
        return reply["return"]

    def events(self, kind):
        with self.channel.changed:
            lines = [line for line in self.channel.lines if line and '"event"' in line]
        return [event for event in map(json.loads, lines) if event["event"] == kind]

    def tray_moves(self):
        return ["open" if event["data"]["tray-open"] else "closed" for event in self.events("DEVICE_TRAY_MOVED")]


class DesktopMachine:
    """QEMU with the desktop guest. `extra_args` are added to the command
    line (the CD drive, the payload disk)."""

    def __init__(self, directory, kernel, initramfs, image, extra_args, ports=("vp.user", "vp.root"),
                 keep_writes=False):
        self.directory = directory
        shutil.rmtree(directory, ignore_errors=True)
        os.makedirs(directory)
        self.transcript_file = open(os.path.join(directory, "channels.log"), "w")
        self.transcript_lock = threading.Lock()
        # A unix socket path must stay short; the build tree may be deep.
        self.socket_directory = tempfile.mkdtemp(prefix="vp-desktop-")
        # In snapshot mode the guest's writes go to a deleted file that QEMU
        # makes in TMPDIR (this machine's folder) and flushes need not reach
        # the host's disk.
        disk_mode = "cache=writeback" if keep_writes else "snapshot=on,cache=unsafe"
        sockets = {name: os.path.join(self.socket_directory, name) for name in ("qmp",) + tuple(ports)}
        command = [
            shutil.which("qemu-system-x86_64") or "qemu-system-x86_64",
            "-nodefaults", "-no-user-config",
            "-machine", "pc", "-accel", "tcg", "-m", str(MEMORY_MB), "-smp", "1",
            "-display", "none", "-no-reboot",
            "-kernel", kernel, "-initrd", initramfs,
            "-append", "console=ttyS0 panic=-1 quiet",
            "-serial", f"file:{os.path.join(directory, 'console.log')}",
            "-qmp", f"unix:{sockets['qmp']},server=on,wait=off",
            "-drive", f"file={image},if=virtio,format=raw,{disk_mode}",
            "-device", "virtio-serial-pci",
        ]
        for port in ports:
            command += ["-chardev", f"socket,id={port},path={sockets[port]},server=on,wait=off",
                        "-device", f"virtserialport,chardev={port},name={port}"]
        command += extra_args
        with open(os.path.join(directory, "qemu.log"), "w") as qemu_log:
            qemu_log.write(" ".join(command) + "\n")
            qemu_log.flush()
            self.started = time.monotonic()
            self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=qemu_log, stderr=qemu_log,
                                            env=dict(os.environ, TMPDIR=directory))
        self.sockets = []
        try:
            self.qmp = Qmp(self._open(sockets["qmp"], "qmp"))
            self.agents = {port: Agent(self._open(sockets[port], port)) for port in ports}
        except BaseException:
            self.close()
            raise

    def _open(self, path, name):
        line_socket = LineSocket(path, name, self._transcript)
        self.sockets.append(line_socket)
        return line_socket

    def _transcript(self, line):
        with self.transcript_lock:
            self.transcript_file.write(f"{time.monotonic() - self.started:9.3f} {line}\n")
            self.transcript_file.flush()

    def wait_ready(self, timeout=BOOT_TIMEOUT):
        """Waits until every agent has said hello; answers the seconds since QEMU started."""
        for agent in self.agents.values():
            agent.wait_ready(max(1, timeout - (time.monotonic() - self.started)))
        return time.monotonic() - self.started

    def shut_down(self, timeout=BOOT_TIMEOUT):
        """Powers the guest off from inside, so that its disk is left clean."""
        self.agents["vp.root"].run("systemctl --no-block poweroff")
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"the guest did not power off within {timeout} s")

    def cpu_seconds(self):
        """Processor time QEMU has used so far (user and system): the
        emulation's cost whatever else the host is doing."""
        with open(f"/proc/{self.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def close(self):
        if self.process.poll() is None:
            try:
                self.qmp.execute("quit")
            except (TestFailure, OSError, AttributeError):
                pass
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for line_socket in self.sockets:
            line_socket.close()
        shutil.rmtree(self.socket_directory, ignore_errors=True)
        self.transcript_file.close()
