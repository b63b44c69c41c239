# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""One way to check and report: each check prints one line as it is made,
and the run ends with a count and an exit status."""

import sys
import time


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

    def summary(self):
        if not self.failed:
            return f"{self.name}: all {self.held} checks held"
        return (f"{self.name}: {len(self.failed)} of {self.held + len(self.failed)} checks failed:\n"
                + "\n".join(f"  - {what}" for what in self.failed))

    def finish(self, error=None):
        """Prints the summary (and what stopped the run, if anything) and
        answers the exit status: 0 only when every check held and nothing
        stopped the run."""
        if error is not None:
            self.out(f"{self.name}: stopped: {error}")
        self.out(self.summary())
        return 0 if not self.failed and error is None and self.held > 0 else 1


def run_checks(name, body):
    """Runs body(checks) and exits with the checks' status; a TestFailure
    ends the run as a failure with its reason."""
    checks = Checks(name)
    error = None
    try:
        body(checks)
    except TestFailure as stopped:
        error = stopped
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
