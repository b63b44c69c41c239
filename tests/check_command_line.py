#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program's command line, run as the built program with no display at
all: no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM. A window, or even a
GUI application object, would end it with an error.

Usage: check_command_line.py PROGRAM VERSION
"""

import os
import subprocess
import sys
import tempfile

from harness.checks import run_checks
from harness.facts import USAGE

PROGRAM, VERSION = sys.argv[1], sys.argv[2]


def run(*arguments):
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    environment["LANG"] = "C.UTF-8"
    result = subprocess.run([PROGRAM, *arguments], env=environment, capture_output=True, text=True,
                            errors="backslashreplace", timeout=30, stdin=subprocess.DEVNULL)
    return result.returncode, result.stdout, result.stderr


def help_and_version(check):
    for flag in ("--help", "-h"):
        status, out, err = run(flag)
        check(status == 0 and err == "" and out.startswith("Käyttö: ") and "\nValitsimet:\n" in out
              and all(f"{option} " in out for option in ("--device", "--open", "--close", "--toggle", "--version"))
              and "Näyttää tämän ohjeen." in out,
              f"{flag}: exit 0, Finnish help naming every option on stdout", (status, out, err))
    for flag in ("--version", "-v"):
        status, out, err = run(flag)
        check((status, out, err) == (0, f"vorkula-ponkka {VERSION}\n", ""),
              f"{flag}: exit 0, 'vorkula-ponkka {VERSION}'", (status, out, err))


def tray_actions_that_cannot_move_a_tray(check, folder):
    # /dev/null opens and refuses the CD-ROM ioctls; a missing node fails to open.
    for device in ("/dev/null", os.path.join(folder, "sr0")):
        for action in ("--open", "--close", "--toggle"):
            status, out, err = run("--device", device, action)
            lines = err.splitlines()
            check(status == 1 and out == "" and len(lines) == 1 and lines[0].startswith(f"vorkula-ponkka: {device}: "),
                  f"{action} on {device}: exit 1 and one line on stderr", (status, out, err))
    status, out, err = run("--device=/dev/null", "--close")
    check(status == 1 and err.startswith("vorkula-ponkka: /dev/null: "), "--device=PATH names the drive too",
          (status, out, err))
    # A path is bytes: a name that is no valid UTF-8 must reach the drive
    # layer as it is, and be found (a file, so no drive), not go missing.
    odd = os.path.join(folder, os.fsdecode(b"sr\xff"))
    open(odd, "w").close()
    status, out, err = run("--device", odd, "--open")
    check(status == 1 and len(err.splitlines()) == 1 and "no such device" not in err,
          "--open on a file whose name is not UTF-8: the file is found, one line", (status, out, err))


def usage_errors(check):
    for arguments in (["--bogus"], ["-x"], ["stray"], ["--device"], ["--device", ""],
                      ["--open", "--close"], ["--close", "--toggle"], ["--device", "/dev/null", "--toggle", "--open"]):
        status, out, err = run(*arguments)
        lines = err.splitlines()
        check(status == 2 and out == "" and len(lines) == 3 and lines[0].startswith("vorkula-ponkka: ")
              and lines[1] == USAGE,
              f"{' '.join(arguments) or '(empty)'}: exit 2 and a Finnish usage message", (status, out, err))


def all_checks(check):
    with tempfile.TemporaryDirectory() as folder:
        help_and_version(check)
        tray_actions_that_cannot_move_a_tray(check, folder)
        usage_errors(check)


run_checks("command line", all_checks)
