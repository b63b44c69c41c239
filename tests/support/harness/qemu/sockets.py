# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The unix sockets QEMU listens on, read a line at a time."""

import socket
import time

from harness.checks import TestFailure


def connect(path, alive, what, timeout=10):
    """A connection to the socket QEMU listens on, once it is there."""
    deadline = time.monotonic() + timeout
    while True:
        connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            connection.connect(path)
            return connection
        except OSError:
            connection.close()
            if not alive() or time.monotonic() > deadline:
                raise TestFailure(f"QEMU did not open {what}") from None
            time.sleep(0.05)


class LineSocket:
    def __init__(self, connection, name):
        self.connection, self.name = connection, name
        self.buffer = b""

    def line(self, deadline, what):
        """The next line (bytes, without its end); a TestFailure once
        `deadline` (time.monotonic()) has passed or the socket closed."""
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TestFailure(f"timed out waiting for {what}")
            self.connection.settimeout(left)
            try:
                data = self.connection.recv(65536)
            except socket.timeout:
                continue
            if not data:
                raise TestFailure(f"QEMU closed {self.name} while waiting for {what}")
            self.buffer += data
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line

    def send(self, text):
        self.connection.sendall(text.encode() + b"\n")

    def close(self):
        """Answers whatever was still unread."""
        self.connection.settimeout(0.2)
        try:
            while data := self.connection.recv(65536):
                self.buffer += data
        except OSError:
            pass
        self.connection.close()
        return self.buffer
