#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program natively on Wayland, under weston's headless backend.

weston (Debian's, --backend=headless-backend.so --use-pixman) runs with a
private XDG_RUNTIME_DIR in the work folder, and nothing of an X server is in
the environment, only a Wayland session. Then:
  - the program itself starts with Wayland's own protocol trace
    (WAYLAND_DEBUG=client): it must name its window "Vorkula Ponkka 1.01",
    give it a buffer, and write nothing on standard error besides the trace;
  - the real windows, built by a Qt Test program on the same compositor,
    must have their sizes, the About window must open as the main window's
    modal child, and no warning may come (test_windows_on_wayland).

Usage: check_wayland.py PROGRAM WINDOW_TEST WORK_FOLDER
"""

import os
import re
import shutil
import subprocess
import sys
import time

from harness.checks import TestFailure, log, run_checks, wait_for
from harness.display import SESSION_VARIABLES
from harness.facts import MAIN_WINDOW
from harness.processes import stop

SOCKET = "wayland-vp"
# A line of Wayland's protocol trace: "[1234.567]  -> interface@id.request(...)".
TRACE = re.compile(r"^\[\s*\d+\.\d+\]")


def wayland_session(work):
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {key: value for key, value in os.environ.items() if key not in SESSION_VARIABLES}
    env.update(XDG_RUNTIME_DIR=runtime, HOME=work, WAYLAND_DISPLAY=SOCKET, XDG_SESSION_TYPE="wayland",
               LANG="C.UTF-8")
    return env


def run_program(checks, program, env, work):
    trace_path = os.path.join(work, "program-trace.log")
    with open(trace_path, "w") as trace:
        running = subprocess.Popen([program, "--device", "/dev/null"], env=dict(env, WAYLAND_DEBUG="client"),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=trace)

    def lines():
        with open(trace_path, errors="replace") as written:
            return written.read().splitlines()

    title = f'set_title("{MAIN_WINDOW.title}")'
    try:
        wait_for("the main window's first buffer", lambda: any(title in line for line in lines())
                 and any(".create_buffer(" in line for line in lines()), timeout=30)
        time.sleep(1)  # anything it would say after its first frame
        checks(running.poll() is None, "the program keeps running on Wayland")
    finally:
        stop(running)
    written = lines()
    checks(any(title in line for line in written), f"the program names its window \"{MAIN_WINDOW.title}\"")
    said = [line for line in written if not TRACE.match(line)]
    checks(not said, "the program writes nothing on standard error but the protocol trace", said)
    checks.attach(trace_path)


def body(checks):
    program, window_test, work = (os.path.abspath(path) for path in sys.argv[1:4])
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    env = wayland_session(work)
    weston_log = os.path.join(work, "weston.log")
    with open(weston_log, "w") as output:
        weston = subprocess.Popen(["weston", "--backend=headless-backend.so", "--use-pixman",
                                   f"--socket={SOCKET}", "--idle-time=0"],
                                  env=env, stdin=subprocess.DEVNULL, stdout=output, stderr=output)
    try:
        socket = os.path.join(env["XDG_RUNTIME_DIR"], SOCKET)
        try:
            wait_for("weston's socket", lambda: os.path.exists(socket) or weston.poll() is not None, timeout=20)
        finally:
            checks.attach(weston_log)
        if not checks(weston.poll() is None, "weston runs headless"):
            raise TestFailure("weston did not start")

        log("== the program")
        run_program(checks, program, env, work)

        log("== the windows, from a Qt Test program")
        result = subprocess.run([window_test], env=env, text=True, capture_output=True, timeout=60)
        log(result.stdout + result.stderr)
        checks(result.returncode == 0, "on Wayland the main window has its size and the About window "
                                       f"opens as its modal child, with no warning (exit {result.returncode})")
    finally:
        stop(weston)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    run_checks("wayland", body)
