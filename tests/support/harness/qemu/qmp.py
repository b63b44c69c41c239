# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A QMP client: commands, their replies and the events QEMU sends, every
message written to a log with the machine's clock."""

import json
import os
import time

from harness.checks import TestFailure
from harness.qemu.sockets import LineSocket, connect


class Qmp:
    def __init__(self, path, log, clock, alive, timeout=30):
        self.log, self.clock, self.timeout = log, clock, timeout
        self.socket = LineSocket(connect(path, alive, "its QMP socket"), "its QMP socket")
        self.events = []
        self.next_id = 0
        self._read(time.monotonic() + 10, "the QMP greeting")
        self.execute("qmp_capabilities")

    def _read(self, deadline, what):
        """The next message that is not an event; events are kept in `events`."""
        while True:
            line = self.socket.line(deadline, what)
            if not line.strip():
                continue
            message = json.loads(line)
            self.log.write(f"{self.clock():8.3f} <- {json.dumps(message)}\n")
            self.log.flush()
            if "event" not in message:
                return message
            self.events.append(message)

    def execute(self, command, **arguments):
        self.next_id += 1
        request = {"execute": command, "id": self.next_id, **({"arguments": arguments} if arguments else {})}
        self.log.write(f"{self.clock():8.3f} -> {json.dumps(request)}\n")
        self.socket.send(json.dumps(request))
        deadline = time.monotonic() + self.timeout
        while True:
            reply = self._read(deadline, f"the reply to {command}")
            if reply.get("id") == self.next_id:
                break
        if "error" in reply:
            raise TestFailure(f"{command} failed: {reply['error']}")
        return reply["return"]

    def close(self):
        self.socket.close()

    def mark(self):
        """How many events have come so far, counting every one QEMU sent
        before this call (a query's reply follows them)."""
        self.execute("query-status")
        return len(self.events)

    # ---- the removable drives

    def tray_moves(self, since):
        """DEVICE_TRAY_MOVED events after the first `since` events."""
        return [event for event in self.events[since:] if event["event"] == "DEVICE_TRAY_MOVED"]

    def tray_events(self, since):
        return ["open" if event["data"]["tray-open"] else "closed" for event in self.tray_moves(since)]

    def tray_times(self, since):
        """The host's wall clock at each tray move (QEMU stamps events with it)."""
        return [event["timestamp"]["seconds"] + event["timestamp"]["microseconds"] / 1e6
                for event in self.tray_moves(since)]

    def drive_state(self, device_id):
        """{tray_open, locked, medium (the image's file name)} of the drive
        whose device has this id; None without one. Every event sent before
        it is in `events` when it returns."""
        for device in self.execute("query-block"):
            if device.get("qdev", "").endswith(device_id):
                inserted = device.get("inserted")
                return {"tray_open": device.get("tray_open"), "locked": device.get("locked"),
                        "medium": os.path.basename(inserted["file"]) if inserted else None}
        return None

    def removable_devices(self):
        return [device for device in self.execute("query-block") if device.get("removable")]
