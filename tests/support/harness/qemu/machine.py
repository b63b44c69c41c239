# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""One emulated PC: a QEMU process with its QMP socket and the socket of the
guest's agent.

The machine knows nothing of the guest: `boot` says what it starts (a kernel
and an initramfs, or a disk), `hardware` what else it has (a CD drive), and
`agent_port` how the agent's socket reaches the guest (a serial port, or a
virtio-serial port). Its folder keeps qemu.log (QEMU's own messages),
qmp.log (every QMP message, on the machine's clock) and console.log
(everything on the agent's stream).
"""

import os
import shutil
import subprocess
import tempfile
import time

from harness.qemu.agent import Agent
from harness.qemu.qmp import Qmp
from harness.qemu.sockets import connect


def serial_port(chardev):
    """The agent on the first serial port (ttyS0), which may carry the
    kernel's console too."""
    return ["-device", f"isa-serial,chardev={chardev}"]


def virtio_serial_port(name):
    """The agent on a virtio-serial port that the guest sees as
    /dev/virtio-ports/NAME."""
    return lambda chardev: ["-device", "virtio-serial-pci",
                            "-device", f"virtserialport,chardev={chardev},name={name}"]


def kernel_boot(kernel, initrd, append):
    return ["-kernel", kernel, "-initrd", initrd, "-append", append]


class Machine:
    def __init__(self, folder, boot, hardware=(), agent_port=serial_port, memory=384, machine="pc",
                 accel="tcg", timeout=30):
        """Starts the machine; the guest runs once its QMP and agent sockets
        are connected, so nothing it says is lost."""
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.folder = folder
        self.logs = [open(os.path.join(folder, name), "w") for name in ("qemu.log", "qmp.log", "console.log")]
        qemu_log, qmp_log, console_log = self.logs
        # A unix socket's path must stay short; the build tree may be deep.
        self.sockets = tempfile.mkdtemp(prefix="vp-qemu-")
        qmp_path, agent_path = (os.path.join(self.sockets, name) for name in ("qmp", "agent"))
        command = [shutil.which("qemu-system-x86_64") or "qemu-system-x86_64",
                   "-nodefaults", "-no-user-config", "-machine", machine, "-accel", accel,
                   "-m", str(memory), "-smp", "1", "-display", "none", "-no-reboot", "-S",
                   "-qmp", f"unix:{qmp_path},server=on,wait=off",
                   "-chardev", f"socket,id=agent,path={agent_path},server=on,wait=off",
                   *agent_port("agent"), *boot, *hardware]
        qemu_log.write(" ".join(command) + "\n")
        qemu_log.flush()
        self.started = time.monotonic()
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=qemu_log, stderr=qemu_log)
        self.qmp = self.agent = None
        try:
            alive = lambda: self.process.poll() is None  # noqa: E731
            self.qmp = Qmp(qmp_path, qmp_log, self.clock, alive, timeout)
            self.agent = Agent(connect(agent_path, alive, "the agent's socket"), console_log, timeout)
            self.qmp.execute("cont")
        except BaseException:
            self.close()
            raise

    def clock(self):
        return time.monotonic() - self.started

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        """Ends the machine at once (QMP quit) and closes its sockets and
        logs; a guest that wants a clean shutdown is asked for one first."""
        try:
            if self.qmp is not None and self.process.poll() is None:
                self.qmp.execute("quit")
        except Exception:  # noqa: BLE001 - QEMU may already be on its way out
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        for channel in (self.agent, self.qmp):
            if channel is not None:
                channel.close()
        shutil.rmtree(self.sockets, ignore_errors=True)
        for log in self.logs:
            log.close()
