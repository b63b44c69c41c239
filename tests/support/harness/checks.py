# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""One way to check and report: each check prints one line as it is made,
and the run ends with a count, the failed checks and an exit status."""

import sys
import time
import traceback


class TestFailure(Exception):
    """A harness cannot go on (a program that did not start, a window that
    never came); the checks made so far still count."""


def log(text=""):
    print(text, flush=True)


class Checks:
    def __init__(self, name, out=log):
        self.name = name
        self.out = out
        self.held = 0
        self.failed = []
        self.artefacts = []

    def __call__(self, condition, what, detail=None):
        """Records `what` as held or failed; on failure also prints `detail`
        (any value, or a list of them, one per line). Answers the condition."""
        if condition:
            self.held += 1
            self.out(f"    ok    {what}")
        else:
            self.failed.append(what)
            self.out(f"    FAIL  {what}")
            for part in detail if isinstance(detail, (list, tuple)) else [detail] if detail is not None else []:
                for line in str(part).splitlines() or [""]:
                    self.out(f"          {line}")
        return bool(condition)

    def merge(self, other, label):
        """Counts another set of checks (one machine's, one thread's) as part
        of these; its failures are named with `label`."""
        self.held += other.held
        self.failed += [f"{label}: {what}" for what in other.failed]

    def attach(self, path, omit=None):
        """A log printed in full if the run fails (without lines holding `omit`)."""
        self.artefacts.append((path, omit))

    def summary(self):
        if not self.failed:
            return f"{self.name}: all {self.held} checks held"
        return (f"{self.name}: {len(self.failed)} of {self.held + len(self.failed)} checks failed:\n"
                + "\n".join(f"  - {what}" for what in self.failed))

    def finish(self, error=None):
        """Prints the attached logs if anything failed, what stopped the run
        (if anything) and the summary; answers the exit status: 0 only when
        checks were made, every one held and nothing stopped the run."""
        status = 0 if not self.failed and error is None and self.held > 0 else 1
        for path, omit in self.artefacts if status else []:
            self.out(f"----- {path} -----")
            try:
                with open(path, errors="replace") as artefact:
                    for line in artefact:
                        if omit is None or omit not in line:
                            self.out(line.rstrip("\n"))
            except OSError as missing:
                self.out(f"(not readable: {missing})")
            self.out(f"----- end of {path} -----")
        if error is not None:
            self.out(f"{self.name}: stopped: {error}")
        self.out(self.summary())
        return status


def run_checks(name, body):
    """Runs body(checks) and exits with the checks' status. Whatever stops
    the body (a TestFailure, or any other error, whose trace is printed) ends
    the run as a failure; the checks made so far are still reported."""
    checks = Checks(name)
    error = None
    try:
        body(checks)
    except TestFailure as stopped:
        error = stopped
    except Exception as unexpected:  # noqa: BLE001 - reported, and the run fails
        traceback.print_exc()
        sys.stderr.flush()
        error = f"{type(unexpected).__name__}: {unexpected}"
    sys.exit(checks.finish(error))


def wait_for(what, probe, timeout=20.0, interval=0.1):
    """Polls `probe` until it answers something true and returns that; a
    TestFailure after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() >= deadline:
            raise TestFailure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)
