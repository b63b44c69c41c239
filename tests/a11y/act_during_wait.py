#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A screen reader's presses, toggles and edits while the drive works.

Starts the program's window with a slow drive that only records
(slow_drive_program.cpp: each tray command takes 3 s and is written down, on
the wall clock, as it begins and as it ends) under Xvfb with a private
session bus and the AT-SPI bus. Then, through AT-SPI as a screen reader does
it: ticks the two confirmation boxes and "Ota mainokset puis!" (so no advert
box comes), reads every box, option and count, and presses "Avaa". While the
drive works it presses "Avaa" and "Sulje", toggles "Ota mainokset puis!" and
"Vihreä", and types into "Viive:" through the EditableText interface. After
the wait one command must have reached the drive, every one of those calls
must have come while it worked, and the window must read as one open leaves
it. Last, the same press and edit once the wait is over must act, which
shows that they would have been seen.

Usage: act_during_wait.py PROGRAM
(The script sets up its display and session bus itself and then runs itself
again inside them with --inside.)
"""

import os
import subprocess
import sys
import time

from harness.checks import run_checks, wait_for
from harness.display import desktop, rerun_inside_session_bus
from harness.facts import CLOSE, MAIN_WINDOW, OPEN
from harness.processes import stop

DRIVE_SECONDS = 3
# The controls whose state a user sets, and the counts the window keeps.
STATEFUL = [control.name for control in MAIN_WINDOW.controls
            if control.kind in ("check box", "radio button", "text box")]
OPENED, CLOSED = "LblPonkka", "LblSulku"
OPEN_STATE = "Option5"


def caption(name):
    return MAIN_WINDOW[name].caption


def read_journal(path):
    """[(event, wall-clock seconds, command)] that the drive wrote down."""
    if not os.path.exists(path):
        return []
    with open(path) as journal:
        return [(event, float(at), command) for event, at, command in
                (line.rstrip("\n").split(" ", 2) for line in journal)]


def inside(check, program):
    from gi.repository import GLib

    from harness.atspi import ACCESSIBLE, act, action_index, framed_controls, is_checked, main_window, start_bus

    def state(node):
        role = node.getRoleName()
        if role == "text":
            return node.queryText().getText(0, -1)
        return is_checked(node) if role in ("check box", "radio button") else node.name

    def read(controls):
        return {name: state(controls[name]) for name in [*STATEFUL, OPENED, CLOSED]}

    def attempt(what, call):
        """Makes a call that the window may refuse; answers what came back."""
        try:
            return f"{what}: answered {call()}"
        except GLib.Error as refused:
            return f"{what}: refused ({refused.message})"

    desktop_node = start_bus()
    journal = os.path.join(os.environ["HOME"], "drive-journal")  # HOME: the private work folder
    process = subprocess.Popen([program, journal, str(DRIVE_SECONDS * 1000)], env=dict(os.environ, **ACCESSIBLE))
    try:
        controls = framed_controls(main_window(desktop_node, process)[1])
        for name in ("Check2", "Check3", "Check1"):
            act(controls[name], "Toggle")
        wait_for("the confirmation boxes and 'Ota mainokset puis!' to read ticked",
                 lambda: all(is_checked(controls[name]) for name in ("Check2", "Check3", "Check1")), 5)
        before = read(controls)
        # A screen reader reads a control's actions once and then calls them
        # by number; a disabled control lists none.
        calls = [(f"{verb} '{caption(name)}'", controls[name].queryAction(), action_index(controls[name], verb))
                 for verb, name in (("Press", "CmdPonkka"), ("Press", "CmdSulje"), ("Toggle", "Check1"),
                                    ("Toggle", "Option2"))]
        delay = controls["TxtViive"].queryEditableText()

        act(controls["CmdPonkka"], "Press")
        wait_for("the drive to get the open", lambda: read_journal(journal), 10)
        acting = time.time()
        answers = [attempt(what, lambda: action.doAction(index)) for what, action, index in calls]
        answers.append(attempt(f"insert '777' into '{caption('Label6')}'", lambda: delay.insertText(1, "777", 3)))
        acted = time.time()
        for answer in answers:
            check.out(f"    in the wait: {answer}")
        wait_for("the drive to end its command", lambda: any(e[0] == "end" for e in read_journal(journal)),
                 DRIVE_SECONDS + 10)
        time.sleep(0.5)  # anything saved up for after the wait would be handled by now
        after = read(controls)

        entries = read_journal(journal)
        check([command for event, _, command in entries if event == "begin"] == [OPEN],
              f"one tray command reached the drive: \"{OPEN}\"", entries)
        began, ended = entries[0][1], next((at for event, at, _ in entries if event == "end"), 0)
        check(began < acting and acted < ended,
              "the presses, toggles and the edit all came while the drive worked "
              f"({acting - began:.2f} s to {acted - began:.2f} s into its {ended - began:.2f} s)")
        expected = dict(before, **{OPENED: str(int(before[OPENED]) + 1), OPEN_STATE: True})
        settings = {caption(name): (expected[name], after[name]) for name in STATEFUL
                    if name != "TxtViive" and after[name] != expected[name]}
        check(not settings, "every box and option reads as before the wait, but for the open's own "
              f"'{caption(OPEN_STATE)}'", [f"{name}: expected {want}, reads {got}" for name, (want, got)
                                           in settings.items()])
        check((after[OPENED], after[CLOSED]) == (expected[OPENED], before[CLOSED]),
              f"the counts read {expected[OPENED]} opened (the one open), {before[CLOSED]} closed",
              f"opened {after[OPENED]}, closed {after[CLOSED]}")
        check(after["TxtViive"] == before["TxtViive"], f"'{caption('Label6')}' still reads {before['TxtViive']!r}",
              after["TxtViive"])

        # The same calls once the wait is over do act.
        act(controls["CmdSulje"], "Press")
        wait_for("the close to reach the drive", lambda: read_journal(journal)[-1][::2] == ("end", CLOSE),
                 DRIVE_SECONDS + 10)
        controls["TxtViive"].queryEditableText().insertText(1, "0", 1)
        wait_for("the counts to follow the close", lambda: controls[CLOSED].name != before[CLOSED], 5)
        check(state(controls["TxtViive"]) == before["TxtViive"] + "0",
              "after the wait a press reaches the drive and an edit the delay field",
              [read_journal(journal)[-2:], state(controls["TxtViive"])])
    finally:
        stop(process, grace=10)


def outside():
    with desktop(prefix="vp-a11y-wait-") as (_, env):
        return rerun_inside_session_bus(env, timeout=120)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        run_checks("a11y wait", lambda check: inside(check, sys.argv[2]))
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(outside())
