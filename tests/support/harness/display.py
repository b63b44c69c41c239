# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A private X server, and a private session bus with the accessibility bus
on it, for harnesses that run the program on a real display."""

import contextlib
import os
import subprocess
import sys
import tempfile

from harness.checks import TestFailure
from harness.processes import stop

# Variables of the developer's own session that must not leak into a private one.
SESSION_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
                     "AT_SPI_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "GTK_THEME",
                     "QT_SCALE_FACTOR", "XDG_CONFIG_HOME", "DESKTOP_STARTUP_ID")


@contextlib.contextmanager
def xvfb(work, screen="1024x768x24", extra=()):
    """Starts Xvfb on a free display number and yields its name (":N"); its
    log is work/xvfb.log. Stopped on leaving."""
    log_path = os.path.join(work, "xvfb.log")
    read_end, write_end = os.pipe()
    # No reset when the last client leaves: a program that connects just
    # then would be turned away.
    with open(log_path, "w") as log:
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp", "-noreset", *extra],
            pass_fds=[write_end], stdout=log, stderr=log)
    os.close(write_end)
    with os.fdopen(read_end) as reader:
        number = reader.readline().strip()
    try:
        if not number:
            raise TestFailure("Xvfb did not start: " + open(log_path).read())
        yield ":" + number
    finally:
        stop(server)


def private_environment(display, work, **extra):
    """The environment of a fresh desktop session on `display`: its own home,
    run-time folder and nothing of the caller's session; `extra` on top."""
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = {key: value for key, value in os.environ.items() if key not in SESSION_VARIABLES}
    env.update(DISPLAY=display, XDG_RUNTIME_DIR=runtime, HOME=work, **extra)
    return env


@contextlib.contextmanager
def desktop(screen="1024x768x24", prefix="vp-desktop-"):
    """A private work folder and X server; yields (work, environment). The
    folder is removed on leaving."""
    with tempfile.TemporaryDirectory(prefix=prefix) as work:
        with xvfb(work, screen) as display:
            yield work, private_environment(display, work)


def rerun_inside_session_bus(env, timeout=180):
    """Runs this very script again, with --inside and its arguments, under a
    private session bus (dbus-run-session), where the accessibility bus
    starts on demand. Answers its exit status."""
    command = ["dbus-run-session", "--", sys.executable, os.path.abspath(sys.argv[0]), "--inside",
               *sys.argv[1:]]
    return subprocess.run(command, env=env, timeout=timeout).returncode


def main(arguments):
    """python3 -m harness.display [-br] -- COMMAND ...: runs COMMAND with
    DISPLAY on a private Xvfb (with -br, a black root window), for the
    shell scripts; answers its exit status."""
    extra = [argument for argument in arguments[:arguments.index("--")] if argument == "-br"]
    command = arguments[arguments.index("--") + 1:]
    with tempfile.TemporaryDirectory(prefix="vp-display-") as work, xvfb(work, extra=extra) as display:
        return subprocess.run(command, env=dict(os.environ, DISPLAY=display)).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
