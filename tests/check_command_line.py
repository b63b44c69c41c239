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


# The language of the help and of the usage errors, as the locale chooses it:
# the environment, what the program writes in it, and a few of its words.
HELP = [({"LANG": "fi_FI.UTF-8"}, "Käyttö: ", ["\nValitsimet:\n", "Näyttää tämän ohjeen.", "--device <laite> ",
                                             "Avaa ja sulkee CD-aseman kelkan."]),
        ({"LANG": "en_GB.UTF-8"}, "Usage: ", ["\nOptions:\n", "Shows this help.", "--device <device> ",
                                            "Opens and closes the CD drive's tray."])]
USAGE_ERRORS = [
    ({"LANG": "fi_FI.UTF-8"}, ["--bogus"], "fi", "Tuntematon valitsin ”bogus”."),
    ({"LANG": "fi_FI.UTF-8"}, ["--device"], "fi", "Valitsin ”--device” vaatii arvon."),
    ({"LANG": "fi_FI.UTF-8"}, ["--open", "--close"], "fi",
     "valitse vain yksi valitsimista --open, --close ja --toggle."),
    ({"LANG": "en_GB.UTF-8"}, ["--bogus"], "en", "Unknown option 'bogus'."),
    ({"LANG": "en_GB.UTF-8"}, ["--device"], "en", "Missing value after '--device'."),
    ({"LANG": "en_GB.UTF-8"}, ["stray"], "en", "unexpected argument 'stray'."),
    ({"LANGUAGE": "fi", "LANG": "C.UTF-8"}, ["stray"], "fi", "ylimääräinen argumentti 'stray'."),
    # English comes first, and needs no catalogue.
    ({"LANGUAGE": "en_GB:fi", "LANG": "fi_FI.UTF-8"}, ["--bogus"], "en", "Unknown option 'bogus'."),
    ({"LC_ALL": "C", "LANG": "fi_FI.UTF-8"}, ["--bogus"], "en", "Unknown option 'bogus'."),
    # Qt speaks German, the program does not: Qt's words follow the program's.
    ({"LANG": "de_DE.UTF-8"}, ["--bogus"], "en", "Unknown option 'bogus'."),
    ({"LANGUAGE": "de:fi", "LANG": "de_DE.UTF-8"}, ["--bogus"], "fi", "Tuntematon valitsin ”bogus”."),
]


def named(locale):
    return " ".join(f"{name}={value}" for name, value in locale.items())


def run(*arguments, locale=None):
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL", "LC_MESSAGES")}
    environment.update(locale or {"LANG": "C.UTF-8"})
    result = subprocess.run([PROGRAM, *arguments], env=environment, capture_output=True, text=True,
                            errors="backslashreplace", timeout=30, stdin=subprocess.DEVNULL)
    return result.returncode, result.stdout, result.stderr


def help_and_version(check):
    for flag in ("--help", "-h"):
        for locale, start, words in HELP:
            status, out, err = run(flag, locale=locale)
            check(status == 0 and err == "" and out.startswith(start) and all(word in out for word in words)
                  and all(f"{option} " in out for option in ("--device", "--open", "--close", "--toggle", "--version")),
                  f"{flag} under {named(locale)}: exit 0, help in its language naming every option on stdout",
                  (status, out, err))
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
    # The last --device counts, however each is written.
    missing = os.path.join(folder, "sr0")
    for arguments in (["--device", missing, "--device=/dev/null"], [f"--device={missing}", "--device", "/dev/null"]):
        status, out, err = run(*arguments, "--close")
        check(status == 1 and err.startswith("vorkula-ponkka: /dev/null: "),
              f"{' '.join(arguments)}: the last --device counts", (status, out, err))
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
              and lines[1:] == USAGE["en"],
              f"{' '.join(arguments) or '(empty)'}: exit 2 and a usage message", (status, out, err))
    for locale, arguments, language, problem in USAGE_ERRORS:
        status, out, err = run(*arguments, locale=locale)
        check((status, out, err.splitlines()) == (2, "", [f"vorkula-ponkka: {problem}", *USAGE[language]]),
              f"{' '.join(arguments)} under {named(locale)}: the usage message in {language}", (status, out, err))


def all_checks(check):
    with tempfile.TemporaryDirectory() as folder:
        help_and_version(check)
        tray_actions_that_cannot_move_a_tray(check, folder)
        usage_errors(check)


run_checks("command line", all_checks)
