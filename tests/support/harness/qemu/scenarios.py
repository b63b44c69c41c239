# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Tray scenarios written as data, and the one runner that plays them in a
guest, whichever guest it is.

A guest's script is a list of items, each called with the runner in turn:
Scenario (a tray action by the drive layer's probe or by the program, and
what must follow from it), Step (a command that sets the scene, and what its
reply must say), Insert (a disc put in the tray from outside), or any other
callable that takes the runner.

The runner needs an agent (agent.py) that answers "run" and "mounts" and, for
the probe's scenarios, "drive VERB [ARG]" and "user VERB [ARG]" with the
reply lines 'backend "COMMAND" -> CODE (TEXT)', "stderr LINE", 'information
box "TEXT" titled "TITLE"', "drive VERB returned", and "user process
ended ..." when the user's child did not end normally.
"""

import dataclasses
import os
import re
import time
import types

from harness.facts import CLOSE, OPEN

# What the drive layer sends its backend for each verb (in any case).
BACKEND_COMMANDS = {"opn": [OPEN], "cls": [CLOSE]}
DIAGNOSTIC = "vorkula-ponkka: "
# Drive states after a scenario: the fields of query-block that must match.
TRAY_OPEN = {"tray_open": True}
TRAY_CLOSED = {"tray_open": False}
LOCKED_SHUT = {"tray_open": False, "locked": True}


class Matches:
    """Lines that match every regular expression, searched in the lines
    joined (multi-line, so \\A is the start of the first line)."""

    def __init__(self, *patterns):
        self.patterns = patterns

    def __call__(self, lines):
        return all(re.search(pattern, "\n".join(lines), re.MULTILINE) for pattern in self.patterns)

    def __repr__(self):
        return "lines matching " + ", ".join(self.patterns)


def lines_are(expected, lines):
    return expected(lines) if callable(expected) else lines == list(expected)


def state_is(expected, state):
    return state is not None and all(state.get(key) == value for key, value in expected.items())


def said(reply, prefix):
    """The reply lines that start with `prefix`, without it."""
    return [line[len(prefix):] for line in reply if line.startswith(prefix)]


@dataclasses.dataclass
class Scenario:
    title: str
    who: str = "root"        # or "user"
    drive: str = None        # the probe's DriveCommand: "opn", "msg Hei maailma"
    program: list = None     # or the program's arguments
    events: list = ()        # the tray-moved events, in order
    status: str = None       # "backend 16", "exit 1"...; default: success (or no backend call)
    mounts: int = 0          # mounts of the disc before; after: none once the tray opened, else as before
    says: str = None         # how the one line on standard error begins after "vorkula-ponkka: "; None: no line
    err: object = None       # or standard error in full: a list of lines or a Matches
    out: object = ()         # the program's standard output: a list of lines or a Matches
    state: dict = None       # the drive's state after
    box: str = None          # the information box the probe must show (else none)

    def play(self, runner):
        """Runs the action; answers what came of it."""
        if self.drive is not None:
            reply, events, state = runner.step(self.title, f"{'user' if self.who == 'user' else 'drive'} {self.drive}")
            backend = said(reply, "backend ")
            return types.SimpleNamespace(
                events=events, state=state, out=[], err=said(reply, "stderr "),
                status=f"backend {backend[0].split('-> ', 1)[1]}" if backend else "no backend call",
                backend=[line.split('"')[1] for line in backend], boxes=said(reply, "information box "),
                returned=f"drive {self.drive.split()[0]} returned" in reply and not said(reply, "user process ended"))
        started = time.monotonic()
        reply, events, state = runner.step(self.title, " ".join(
            ["run", self.who, *runner.environment[self.who], runner.program, *self.program]))
        runner.program_times.append(time.monotonic() - started)
        return types.SimpleNamespace(events=events, state=state, out=said(reply, "out "), err=said(reply, "err "),
                                     status=(said(reply, f"run {runner.program} ") or ["(no answer)"])[0])

    def __call__(self, runner):
        check = runner.check
        before = runner.mounts()
        got = self.play(runner)
        after = runner.mounts()
        runner.played.append((self, got, before, after))
        check(len(before) == self.mounts, f"{self.mounts} mount(s) of the disc before: {before}")
        if self.drive is not None:
            verb = self.drive.split()[0]
            commands = BACKEND_COMMANDS.get(verb.lower(), [])
            check(got.returned, f"DriveCommand(\"{verb}\") returned normally")
            check(got.backend == commands, f"the backend received {commands} (got {got.backend})")
            status = self.status or ("backend 0" if commands else "no backend call")
            boxes = [f'"{self.box}" titled "Information"'] if self.box else []
            check(got.boxes == boxes, f"the information box shows {self.box!r}" if self.box else "no window is shown",
                  got.boxes)
        else:
            status = self.status or "exit 0"
            check(lines_are(self.out, got.out), f"standard output: {self.out or 'nothing'}", got.out)
        check(got.status == status or got.status.startswith(status + " "), f"{status} (got {got.status})")
        check(got.events == list(self.events), f"tray-moved events {list(self.events) or 'none'} "
                                               f"(got {got.events or 'none'})")
        if "open" in self.events:
            check(after == [], f"nothing of the disc is left mounted (got {after})")
        else:
            check(after == before, f"the disc's mounts are as they were (after: {after})")
        if self.err is not None:
            check(lines_are(self.err, got.err), f"standard error: {self.err}", got.err)
        elif self.says is None:
            check(got.err == [], "nothing on standard error", got.err)
        else:
            check(len(got.err) == 1 and got.err[0].startswith(DIAGNOSTIC + self.says),
                  f"exactly one line on standard error: \"{DIAGNOSTIC}{self.says}...\"", got.err)
        if self.state is not None:
            check(state_is(self.state, got.state), f"query-block: {self.state} (got {got.state})")


@dataclasses.dataclass
class Step:
    title: str
    command: str
    expect: str = None       # a regular expression that one reply line matches
    what: str = None         # the check's text; default: the expression
    state: dict = None       # the drive's state after
    attempts: int = 1        # tries, 0.2 s apart, until the reply matches

    def __call__(self, runner):
        for attempt in range(1, self.attempts + 1):
            reply, _, state = runner.step(self.title, self.command)
            if self.expect is None or Matches(self.expect)(reply):
                break
            time.sleep(0.2)
        if self.expect is not None:
            runner.check(Matches(self.expect)(reply),
                         (self.what or self.expect) + (f" (attempt {attempt})" if self.attempts > 1 else ""))
        if self.state is not None:
            runner.check(state_is(self.state, state), f"query-block: {self.state} (got {state})")


@dataclasses.dataclass
class Insert:
    """A disc image put in the drive's tray from outside, as a person would."""
    image: str

    def __call__(self, runner):
        mark = runner.qmp.mark()
        runner.qmp.execute("blockdev-change-medium", id=runner.drive_id, filename=self.image, format="raw",
                           **{"read-only-mode": "read-only"})
        state = runner.qmp.drive_state(runner.drive_id)
        runner.say(f"  host inserts {os.path.basename(self.image)}: tray-moved events "
                   f"{runner.qmp.tray_events(mark) or 'none'} (moved by QEMU, not the guest); drive: {state}")
        runner.check(state_is({"medium": os.path.basename(self.image), "tray_open": False}, state),
                     "the disc is in and the tray closed")


class Runner:
    """Plays a guest's script on a machine (machine.py), checking with
    `check` (a harness.checks.Checks). `drive_id` is the id of the CD drive's
    QEMU device and `device` its node in the guest; `program` is the program's
    path in the guest and `environment` what it runs with, for each user."""

    def __init__(self, machine, check, drive_id="cdrom0", device="/dev/sr0", program=None, environment=None):
        self.agent, self.qmp = machine.agent, machine.qmp
        self.check, self.say = check, check.out
        self.drive_id, self.device = drive_id, device
        self.program, self.environment = program, environment or {"root": [], "user": []}
        self.played = []     # (scenario, what came of it, mounts before, mounts after)
        self.program_times = []
        self.observations = []

    def run(self, items):
        for item in items:
            item(self)

    def step(self, title, command):
        """Runs one guest command; answers (its reply lines, the tray events
        it caused, the drive's state after)."""
        mark = self.qmp.mark()
        reply = self.agent(command)
        state = self.qmp.drive_state(self.drive_id)  # also reads every event sent before it
        events = self.qmp.tray_events(mark)
        self.say(f"  {title}: guest `{command}`")
        for line in reply:
            self.say(f"    guest: {line}")
        self.say(f"    tray-moved events: {events or 'none'}; drive: {state}")
        return reply, events, state

    def mounts(self):
        """The guest's mount table lines for the disc."""
        return [line for line in said(self.agent("mounts"), "mounts ") if line.startswith(self.device + " ")]

    def summary(self, name):
        """The scenarios played: user, mounts before -> after, tray events,
        backend code or exit status, standard error."""
        lines = []
        for scenario, got, before, after in self.played:
            lines += [f"  {name}: {scenario.title}",
                      f"      user {scenario.who}; mounts {len(before)} -> {len(after)}; "
                      f"tray events {got.events or 'none'}; {got.status}",
                      *(f"      stderr: {line}" for line in got.err)]
        return lines
