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
import shutil
import subprocess
import sys
import tempfile
import time

OPEN = "set cdaudio door open"
CLOSED = "set cdaudio door closed"

# What must reach mciSendStringA in each step of wine_probe.exe, in order.
EXPECTED = {
    "msg-first": [],
    "opn": [OPEN],
    "cls": [CLOSED],
    "CLS": [CLOSED],
    "Opn": [OPEN],
    "unknown": [],
    "msg": [],
    "bind-opn": [OPEN],
    "bind-cls": [CLOSED],
    "bind-opn-again": [OPEN],
    "error-code": [OPEN],
    "missing-entry-point": [],
    "missing-library": [],
    "beside-only-library": [],
}

# 0024:Call winmm.mciSendStringA(00c94d10 "set cdaudio door open",00000000,00000000,00000000) ret=...
RELAY_CALL = re.compile(
    r':Call winmm\.mciSendStringA\((?P<text>[0-9a-f]+) "(?P<command>[^"]*)",'
    r'(?P<reply>[0-9a-f]+),(?P<length>[0-9a-f]+),(?P<window>[0-9a-f]+)\)')
RELAY_RET = re.compile(r':Ret  winmm\.mciSendStringA\(\) retval=(?P<code>[0-9a-f]+)')
# 0024:trace:mci:mciSendStringW (L"set cdaudio door open", 0000000000000000, 0, 0000000000000000)
MCI_TRACE = re.compile(
    r':trace:mci:mciSendStringW \(L"(?P<command>[^"]*)", (?P<reply>[0-9A-Fa-f]+), '
    r'(?P<length>\d+), (?P<window>[0-9A-Fa-f]+)\)')


class TestFailure(Exception):
    pass


def log(message=""):
    print(message, flush=True)


def find_wine():
    for name in ("wine64", "wine"):
        if shutil.which(name):
            return shutil.which(name)
    for path in ("/usr/lib/wine/wine64", "/usr/lib/wine/wine"):
        if os.access(path, os.X_OK):
            return path
    raise TestFailure("Wine is not installed (Debian package wine64)")


def find_wineserver():
    for name in ("wineserver",):
        if shutil.which(name):
            return shutil.which(name)
    for path in ("/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver"):
        if os.access(path, os.X_OK):
            return path
    raise TestFailure("wineserver is not installed (Debian package wine64)")


class Wine:
    def __init__(self, work):
        self.loader = find_wine()
        self.server = find_wineserver()
        self.prefix = os.path.join(work, "prefix")
        os.makedirs(work, exist_ok=True)
        self.environment = dict(os.environ)
        # No display: nothing may wait for a window. No Mono or Gecko
        # installer, no menu builder. Native DLLs first for winmm, as on
        # Windows itself, so a planted winmm.dll would really be used by a
        # careless load (the control run shows that it is).
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "WINEDEBUG", "WINEDLLOVERRIDES", "WINEPATH"):
            self.environment.pop(name, None)
        # Wine keeps its server's socket folder (wine-XXXXXX) in TMPDIR; a
        # private one, removed at the end, leaves nothing behind in /tmp.
        self.temporary = tempfile.mkdtemp(prefix="vp-wine-")
        self.environment.update({
            "TMPDIR": self.temporary,
            "WINEPREFIX": self.prefix,
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d;winmm=n,b",
            "WINEDEBUG": "-all",
        })

    def run(self, arguments, timeout, debug="-all", cwd=None):
        environment = dict(self.environment, WINEDEBUG=debug)
        try:
            return subprocess.run([self.loader] + arguments, env=environment, cwd=cwd, text=True,
                                  errors="replace", capture_output=True, timeout=timeout,
                                  stdin=subprocess.DEVNULL)
        except subprocess.TimeoutExpired as error:
            self.stop()
            raise TestFailure(f"wine {' '.join(arguments)} did not finish in {timeout} s:\n"
                              f"{error.stdout or ''}{error.stderr or ''}") from error

    def wait_for_server(self):
        subprocess.run([self.server, "-w"], env=self.environment, timeout=60)

    def stop(self):
        subprocess.run([self.server, "-k"], env=self.environment, timeout=60,
                       stderr=subprocess.DEVNULL)

    def close(self):
        """Ends the server and removes its temporary folder."""
        try:
            self.stop()
        finally:
            shutil.rmtree(self.temporary, ignore_errors=True)

    def prepare_prefix(self):
        ready = os.path.join(self.prefix, "vp-prefix-ready")
        if os.path.exists(ready):
            return
        shutil.rmtree(self.prefix, ignore_errors=True)
        started = time.monotonic()
        result = self.run(["wineboot", "--init"], timeout=240)
        self.wait_for_server()
        if result.returncode != 0 or not os.path.isdir(os.path.join(self.prefix, "drive_c", "windows")):
            raise TestFailure(f"wineboot --init failed (exit {result.returncode}):\n"
                              f"{result.stdout}{result.stderr}")
        # Relay tracing for the one entry point under test, so the trace shows
        # the exact arguments it was called with and what it returned.
        result = self.run(["reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude",
                           "/t", "REG_SZ", "/d", "winmm.mciSendStringA", "/f"], timeout=120)
        self.wait_for_server()
        if result.returncode != 0:
            raise TestFailure(f"reg add failed (exit {result.returncode}):\n{result.stdout}{result.stderr}")
        with open(ready, "w") as stamp:
            stamp.write("made by run_wine_test.py\n")
        log(f"Wine prefix made in {time.monotonic() - started:.1f} s: {self.prefix}")


def parse_trace(stderr):
    """Splits the trace into the probe's steps: {step: [call, ...]}, where a
    call is a dict with the relay arguments, return code and the first
    mciSendStringW trace line that followed it."""
    steps = {}
    current = None
    call = None
    for line in stderr.splitlines():
        if line.startswith("VP-STEP begin "):
            current = line[len("VP-STEP begin "):].strip()
            steps[current] = []
            continue
        if line.startswith("VP-STEP end "):
            current = None
            continue
        match = RELAY_CALL.search(line)
        if match:
            call = dict(match.groupdict(), trace=None, code=None, line=line.split(" ret=")[0])
            (steps[current] if current is not None else steps.setdefault("(outside any step)", [])).append(call)
            continue
        match = MCI_TRACE.search(line)
        if match and call is not None and call["trace"] is None:
            call["trace"] = match.groupdict()
            continue
        match = RELAY_RET.search(line)
        if match and call is not None:
            call["code"] = int(match.group("code"), 16)
            call = None
    return steps


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bin", required=True, help="directory of the cross-built wine_probe.exe")
    parser.add_argument("--work", required=True, help="work directory in the build tree")
    options = parser.parse_args()

    started = time.monotonic()
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)
    options.bin = os.path.abspath(options.bin)
    probe = os.path.join(options.bin, "wine_probe.exe")
    failed = []
    held = 0
    artefacts = []

    def check(condition, text):
        nonlocal held
        if condition:
            held += 1
            log(f"    ok    {text}")
        else:
            failed.append(text)
            log(f"    FAIL  {text}")

    wine = None
    try:
        for name in ("wine_probe.exe", "winmm.dll", "vp-planted-only.dll"):
            if not os.path.exists(os.path.join(options.bin, name)):
                raise TestFailure(f"{name} is missing from {options.bin}: the cross build did not run")
        wine = Wine(work)
        log(f"wine: {wine.loader}")
        wine.prepare_prefix()

        # Control: a careless LoadLibraryA("winmm.dll") from this program's
        # directory does pick up the planted copy, so the check below means
        # something.
        control = wine.run([probe, "--plain-load"], timeout=120, cwd=options.bin)
        with open(os.path.join(work, "control.log"), "w") as out:
            out.write(control.stdout + control.stderr)
        artefacts.append("control.log")
        log("control: a plain LoadLibraryA(\"winmm.dll\") beside a planted copy")
        plain = re.search(r"VP-PLAIN-LOAD (.*)", control.stderr)
        log(f"    loaded {plain.group(1) if plain else '(nothing)'}")
        check("VP-PLANTED loaded" in control.stderr,
              "the planted winmm.dll is what a plain load finds (so the next checks can tell)")

        run_started = time.monotonic()
        result = wine.run([probe], timeout=180, debug="+mci,+relay", cwd=options.bin)
        log(f"wine_probe.exe ran in {time.monotonic() - run_started:.1f} s, exit code {result.returncode}")
        with open(os.path.join(work, "trace.log"), "w") as out:
            out.write(result.stdout + result.stderr)
        artefacts.append("trace.log")
        stderr = result.stderr

        check("VP-DONE" in stderr, "Wine started the program and it ran to its end")
        log("checks made inside the program:")
        for line in stderr.splitlines():
            if line.startswith(("VP-CHECK", "VP-INFO")):
                log(f"    {line}")
        check(result.returncode == 0 and "VP-CHECK FAIL" not in stderr,
              f"every check inside the program held (exit code {result.returncode})")
        check("VP-PLANTED" not in stderr, "no planted DLL was loaded or called")

        steps = parse_trace(stderr)
        log("what reached mciSendStringA, step by step:")
        for step, expected in EXPECTED.items():
            calls = steps.get(step)
            log(f"  step {step}:")
            if calls is None:
                check(False, f"step {step} ran")
                continue
            for call in calls:
                log(f"    {call['line'].strip()}")
                code = call["code"]
                if code is not None:
                    log(f"      returned {code}")
            commands = [call["command"] for call in calls]
            check(commands == expected, f"mciSendStringA received {expected} (got {commands})")
            for call in calls:
                check(int(call["reply"], 16) == 0 and int(call["length"], 16) == 0
                      and int(call["window"], 16) == 0,
                      f"\"{call['command']}\": no reply buffer, length 0, no callback window")
                trace = call["trace"]
                check(trace is not None and trace["command"] == call["command"]
                      and int(trace["reply"], 16) == 0 and trace["length"] == "0"
                      and int(trace["window"], 16) == 0,
                      f"+mci trace: mciSendStringW (L\"{call['command']}\", NULL, 0, NULL)")
        stray = steps.get("(outside any step)", [])
        check(not stray, f"nothing reached mciSendStringA outside the steps ({len(stray)} calls)")
        codes = [call["code"] for calls in steps.values() for call in calls]
        check(codes and all(code is not None and code != 0 for code in codes),
              f"Wine returned an error code for every command ({sorted(set(codes))}), and every "
              "DriveCommand returned normally all the same")
    except (TestFailure, OSError, subprocess.SubprocessError) as error:
        failed.append(str(error))
        log(f"FAIL: {error}")
    finally:
        if wine is not None:
            try:
                wine.close()
            except (OSError, subprocess.SubprocessError):
                pass

    if failed:
        for name in artefacts:
            path = os.path.join(work, name)
            log(f"----- {path} -----")
            with open(path, errors="replace") as file:
                for line in file:
                    if "trace:relay:load_list" not in line:
                        sys.stdout.write(line)
            log(f"----- end of {name} -----")
        log("== failed checks ==")
        for text in failed:
            log(f"  {text}")
    log(f"wine checks: {held} held, {len(failed)} failed; {time.monotonic() - started:.1f} s in all; "
        f"artefacts in {work}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
