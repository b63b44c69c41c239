#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A launcher's busy feedback ends when the program runs without a window.

On a private X server this script listens on the root window, as an X11
launcher does, for startup-notification messages (_NET_STARTUP_INFO_BEGIN
and _NET_STARTUP_INFO client messages, read through libxcb with ctypes).
It runs the desktop entry's actions, `--open` and `--close` (at /dev/null,
which is no drive: the run fails, and ends all the same), each with a
DESKTOP_STARTUP_ID of its own (one with quotes in it), and each must send
`remove: ID=<that id>`, the value quoted or escaped as the protocol allows. A
run with no identifier sends nothing.

Usage: check_launch_feedback.py PROGRAM
"""

import ctypes
import ctypes.util
import os
import select
import shlex
import struct
import subprocess
import sys
import tempfile
import time

from harness.checks import TestFailure, run_checks
from harness.display import private_environment, xvfb

XCB_CLIENT_MESSAGE = 33
XCB_CW_EVENT_MASK = 1 << 11
XCB_EVENT_MASK_PROPERTY_CHANGE = 1 << 22


class ScreenIterator(ctypes.Structure):
    _fields_ = [("data", ctypes.c_void_p), ("rem", ctypes.c_int), ("index", ctypes.c_int)]


class RootListener:
    """Reassembles the startup-notification messages sent to the root window."""

    def __init__(self, display):
        xcb = self.xcb = ctypes.CDLL(ctypes.util.find_library("xcb"))
        pointer, u32 = ctypes.c_void_p, ctypes.c_uint32
        for name, result, arguments in (
                ("xcb_connect", pointer, [ctypes.c_char_p, pointer]),
                ("xcb_connection_has_error", ctypes.c_int, [pointer]),
                ("xcb_get_setup", pointer, [pointer]),
                ("xcb_setup_roots_iterator", ScreenIterator, [pointer]),
                ("xcb_intern_atom", u32, [pointer, ctypes.c_uint8, ctypes.c_uint16, ctypes.c_char_p]),
                ("xcb_intern_atom_reply", pointer, [pointer, u32, pointer]),
                ("xcb_change_window_attributes", u32, [pointer, u32, u32, ctypes.POINTER(u32)]),
                ("xcb_flush", ctypes.c_int, [pointer]),
                ("xcb_get_file_descriptor", ctypes.c_int, [pointer]),
                ("xcb_poll_for_event", pointer, [pointer]),
                ("xcb_disconnect", None, [pointer])):
            function = getattr(xcb, name)
            function.restype, function.argtypes = result, arguments
        self.free = ctypes.CDLL(None).free
        self.free.argtypes = [pointer]
        self.connection = xcb.xcb_connect(display.encode(), None)
        if xcb.xcb_connection_has_error(self.connection):
            raise TestFailure(f"cannot connect to {display}")
        screen = xcb.xcb_setup_roots_iterator(xcb.xcb_get_setup(self.connection)).data
        self.root = struct.unpack_from("<I", ctypes.string_at(screen, 4))[0]  # xcb_screen_t.root
        self.atoms = {self.atom(name): name for name in (b"_NET_STARTUP_INFO_BEGIN", b"_NET_STARTUP_INFO")}
        mask = u32(XCB_EVENT_MASK_PROPERTY_CHANGE)
        xcb.xcb_change_window_attributes(self.connection, self.root, XCB_CW_EVENT_MASK, ctypes.byref(mask))
        xcb.xcb_flush(self.connection)
        self.pending = None

    def atom(self, name):
        cookie = self.xcb.xcb_intern_atom(self.connection, 0, len(name), name)
        reply = self.xcb.xcb_intern_atom_reply(self.connection, cookie, None)
        atom = struct.unpack_from("<I", ctypes.string_at(reply, 12), 8)[0]
        self.free(reply)
        return atom

    def messages(self, seconds):
        """Every whole message that arrives within `seconds`."""
        found = []
        deadline = time.monotonic() + seconds
        descriptor = self.xcb.xcb_get_file_descriptor(self.connection)
        while time.monotonic() < deadline:
            select.select([descriptor], [], [], max(0.0, deadline - time.monotonic()))
            while event := self.xcb.xcb_poll_for_event(self.connection):
                raw = ctypes.string_at(event, 32)
                self.free(event)
                if raw[0] & 0x7F != XCB_CLIENT_MESSAGE:
                    continue
                # A message opens with a BEGIN piece; further pieces carry on
                # the one opened, and a zero byte ends it.
                kind = self.atoms.get(struct.unpack_from("<I", raw, 8)[0])
                if kind == b"_NET_STARTUP_INFO_BEGIN":
                    self.pending = raw[12:32]
                elif kind == b"_NET_STARTUP_INFO" and self.pending is not None:
                    self.pending += raw[12:32]
                else:
                    continue
                if b"\0" in self.pending:
                    found.append(self.pending.split(b"\0")[0].decode())
                    self.pending = None
        return found

    def close(self):
        self.xcb.xcb_disconnect(self.connection)


def body(checks):
    program = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="vp-launch-") as work, xvfb(work) as display:
        env = private_environment(display, work, LANG="C.UTF-8")
        listener = RootListener(display)
        try:
            for arguments, startup_id in ((["--open", "--device", "/dev/null"], "vp-open-1_TIME42"),
                                          (["--close", "--device", "/dev/null"], 'vp "close" 2_TIME43'),
                                          (["--open", "--device", "/dev/null"], None)):
                run_env = dict(env, **({"DESKTOP_STARTUP_ID": startup_id} if startup_id else {}))
                result = subprocess.run([program, *arguments], env=run_env, capture_output=True, timeout=30)
                # A value may be quoted or backslash-escaped; a launcher reads both.
                sent = [shlex.split(message) for message in listener.messages(1.0)]
                expected = [] if startup_id is None else [["remove:", f"ID={startup_id}"]]
                checks(sent == expected, f"{' '.join(arguments)} (exit {result.returncode}) with "
                                         f"{'DESKTOP_STARTUP_ID=' + startup_id if startup_id else 'no identifier'}"
                                         f" sends {expected or 'nothing'}", sent)
        finally:
            listener.close()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    run_checks("launch feedback", body)
