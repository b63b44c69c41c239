#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Windows backend under Wine, whose winmm implements mciSendStringA.

Runs the cross-compiled wine_probe.exe with WINEDEBUG=+mci,+relay (relay
limited to winmm.mciSendStringA through the prefix's registry) and checks,
step by step, which command strings reached mciSendStringA and with which
arguments. The Wine prefix lives in the work directory and is made on the
first run. If Wine cannot start, the test fails.

Artefacts in the work directory: trace.log (the probe's run with the Wine
trace) and control.log (the planted-DLL control run); printed on failure.
"""

import argparse
import os
import re
import time

from harness.checks import TestFailure, log, run_checks
from harness.facts import CLOSE, OPEN
from harness.wine import TRACE, Wine, mci_calls, plain_call, steps_begun

# What must reach mciSendStringA in each step of wine_probe.exe, in order.
EXPECTED = {
    "msg-first": [],
    "opn": [OPEN],
    "cls": [CLOSE],
    "CLS": [CLOSE],
    "Opn": [OPEN],
    "unknown": [],
    "msg": [],
    "bind-opn": [OPEN],
    "bind-cls": [CLOSE],
    "bind-opn-again": [OPEN],
    "error-code": [OPEN],
    "missing-entry-point": [],
    "missing-library": [],
    "beside-only-library": [],
}


def keep(check, work, name, result):
    path = os.path.join(work, name)
    with open(path, "w") as out:
        out.write(result.stdout + result.stderr)
    # Wine's relay trace lists every library it loads; only the calls matter.
    check.attach(path, omit="trace:relay:load_list")


def probe_under_wine(check, options):
    work = os.path.abspath(options.work)
    folder = os.path.abspath(options.bin)
    probe = os.path.join(folder, "wine_probe.exe")
    for name in ("wine_probe.exe", "winmm.dll", "vp-planted-only.dll"):
        if not os.path.exists(os.path.join(folder, name)):
            raise TestFailure(f"{name} is missing from {folder}: the cross build did not run")
    with Wine(work) as wine:
        log(f"wine: {wine.loader}")
        # Control: a careless LoadLibraryA("winmm.dll") from this program's
        # directory does pick up the planted copy, so the checks below mean
        # something.
        control = wine.run([probe, "--plain-load"], timeout=120, cwd=folder)
        keep(check, work, "control.log", control)
        plain = re.search(r"VP-PLAIN-LOAD (.*)", control.stderr)
        check("VP-PLANTED loaded" in control.stderr,
              "the planted winmm.dll is what a plain load finds (so the next checks can tell)",
              plain.group(1) if plain else "(nothing loaded)")

        started = time.monotonic()
        result = wine.run([probe], timeout=180, debug=TRACE, cwd=folder)
        log(f"wine_probe.exe ran in {time.monotonic() - started:.1f} s, exit code {result.returncode}")
        keep(check, work, "trace.log", result)
    trace = result.stderr

    check("VP-DONE" in trace, "Wine started the program and it ran to its end")
    log("checks made inside the program:")
    for line in trace.splitlines():
        if line.startswith(("VP-CHECK", "VP-INFO")):
            log(f"    {line}")
    check(result.returncode == 0 and "VP-CHECK FAIL" not in trace,
          f"every check inside the program held (exit code {result.returncode})")
    check("VP-PLANTED" not in trace, "no planted DLL was loaded or called")

    calls = mci_calls(trace)
    begun = steps_begun(trace)
    log("what reached mciSendStringA, step by step:")
    for step, expected in EXPECTED.items():
        made = [call for call in calls if call["step"] == step]
        log(f"  step {step}:")
        for call in made:
            log(f"    {call['line'].strip()}\n      returned {call['code']}")
        check(step in begun and [call["command"] for call in made] == expected,
              f"step {step} ran and mciSendStringA received {expected}", [call["command"] for call in made])
        for call in made:
            check(plain_call(call), f"\"{call['command']}\": no reply buffer, length 0, no callback window, "
                                    "and the same in mciSendStringW", call)
    stray = [call["line"] for call in calls if call["step"] is None]
    check(not stray, "nothing reached mciSendStringA outside the steps", stray)
    codes = [call["code"] for call in calls]
    check(codes and all(code is not None and code != 0 for code in codes),
          f"Wine returned an error code for every command ({sorted(set(codes), key=str)}), and every "
          "DriveCommand returned normally all the same")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bin", required=True, help="directory of the cross-built wine_probe.exe")
    parser.add_argument("--work", required=True, help="work directory in the build tree")
    arguments = parser.parse_args()
    run_checks("wine", lambda check: probe_under_wine(check, arguments))
