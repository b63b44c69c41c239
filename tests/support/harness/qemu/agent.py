# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The host's side of the agent that runs commands in the guest.

The protocol, on one byte stream (a serial port, a virtio-serial port): the
host sends one command a line; every line of the reply carries "VP: " and
"VP: ready" ends it (the agent also says it once when it starts). Anything
else on the stream, such as the kernel's console sharing a serial port, only
goes to the log; a reply line may follow kernel text on the same line.

The commands a guest's agent answers are its own; the scenario runner uses
"run WHO [NAME=VALUE ...] PROGRAM ARGUMENTS" (replies "out LINE", "err LINE"
and "run PROGRAM exit N" or "run PROGRAM killed by signal N") and "mounts"
(replies "mounts LINE" for each line of /proc/mounts).
"""

import time

from harness.qemu.sockets import LineSocket

MARK = "VP: "
READY = MARK + "ready"


class Agent:
    def __init__(self, connection, log, timeout=30):
        """`connection`: a connected socket; `log`: a text file that gets
        every line of the stream."""
        self.socket = LineSocket(connection, "the agent's socket")
        self.log, self.timeout = log, timeout
        self.sent_at = None

    def reply(self, timeout, what):
        """The reply lines (without their mark) up to the next "VP: ready"."""
        deadline = time.monotonic() + timeout
        lines = []
        while True:
            line = self.socket.line(deadline, what).decode("utf-8", "replace").rstrip("\r")
            self.log.write(line + "\n")
            self.log.flush()
            if line.endswith(READY):
                return lines
            if MARK in line:
                lines.append(line[line.index(MARK) + len(MARK):])

    def send(self, command):
        """Sends a command without waiting for its reply. `sent_at` keeps the
        host's wall clock when it left, to set against QMP's event times."""
        self.sent_at = time.time()
        self.socket.send(command)

    def __call__(self, command, timeout=None):
        """Runs one command and answers its reply lines."""
        self.send(command)
        return self.reply(timeout or self.timeout, f"the guest to finish '{command}'")

    def close(self):
        """Writes whatever the guest still said to the log."""
        rest = self.socket.close()
        if rest:
            self.log.write(rest.decode("utf-8", "replace") + "\n")
