# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Wine for the harnesses that run Windows builds: finding it, a prefix in
the work folder with Wine's server folder kept out of /tmp, and reading
Wine's media-control trace."""

import os
import re
import shutil
import subprocess
import tempfile
import time

from harness.checks import TestFailure, log

# 0024:Call winmm.mciSendStringA(00c94d10 "set cdaudio door open",00000000,00000000,00000000) ret=...
RELAY_CALL = re.compile(
    r':Call winmm\.mciSendStringA\((?P<text>[0-9a-f]+) "(?P<command>[^"]*)",'
    r'(?P<reply>[0-9a-f]+),(?P<length>[0-9a-f]+),(?P<window>[0-9a-f]+)\)')
RELAY_RETURN = re.compile(r':Ret  winmm\.mciSendStringA\(\) retval=(?P<code>[0-9a-f]+)')
# 0024:trace:mci:mciSendStringW (L"set cdaudio door open", 0000000000000000, 0, 0000000000000000)
MCI_TRACE = re.compile(
    r':trace:mci:mciSendStringW \(L"(?P<command>[^"]*)", (?P<reply>[0-9A-Fa-f]+), '
    r'(?P<length>\d+), (?P<window>[0-9A-Fa-f]+)\)')
# A relay trace of just the call under test, set in every prefix made here.
TRACE = "+mci,+relay"


def find_program(*candidates):
    """The first candidate (a name on the PATH, or a path) that can run."""
    for candidate in candidates:
        if shutil.which(candidate):
            return shutil.which(candidate)
    raise TestFailure(f"{candidates[0]} is not installed (Debian package wine64)")


class Wine:
    """A Wine prefix in `work`, used as a context manager. Its server folder
    (wine-XXXXXX) lives in a private TMPDIR, removed on leaving with the
    server; `fresh` makes the prefix anew and removes it on leaving, else it
    is made once and kept for the next run."""

    def __init__(self, work, fresh=False):
        self.loader = find_program("wine64", "wine", "/usr/lib/wine/wine64", "/usr/lib/wine/wine")
        self.server = find_program("wineserver", "/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver")
        self.prefix = os.path.join(work, "prefix")
        self.fresh = fresh
        os.makedirs(work, exist_ok=True)
        # No display: nothing may wait for a window. No Mono or Gecko
        # installer, no menu builder. Native DLLs first for winmm, as on
        # Windows itself, so a planted winmm.dll would really be used by a
        # careless load.
        self.environment = {key: value for key, value in os.environ.items()
                            if key not in ("DISPLAY", "WAYLAND_DISPLAY", "WINEDEBUG", "WINEDLLOVERRIDES", "WINEPATH")}
        self.temporary = tempfile.mkdtemp(prefix="vp-wine-")
        self.environment.update(TMPDIR=self.temporary, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winmm=n,b")

    def __enter__(self):
        try:
            self._prepare_prefix()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exception):
        try:
            self.stop()
            self.wait_for_server()
        finally:
            shutil.rmtree(self.temporary, ignore_errors=True)
            if self.fresh:
                shutil.rmtree(self.prefix, ignore_errors=True)

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
        subprocess.run([self.server, "-k"], env=self.environment, timeout=60, stderr=subprocess.DEVNULL)

    def server_folders(self):
        """Wine's server folders in the private TMPDIR (none anywhere else)."""
        return [name for name in os.listdir(self.temporary) if name.startswith("wine-")]

    def _prepare_prefix(self):
        ready = os.path.join(self.prefix, "vp-prefix-ready")
        if os.path.exists(ready) and not self.fresh:
            return
        shutil.rmtree(self.prefix, ignore_errors=True)
        started = time.monotonic()
        # Relay tracing for the one entry point under test, so the trace shows
        # the exact arguments it was called with and what it returned.
        for arguments in (["wineboot", "--init"],
                          ["reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                           "/d", "winmm.mciSendStringA", "/f"]):
            result = self.run(arguments, timeout=240)
            self.wait_for_server()
            if result.returncode != 0:
                raise TestFailure(f"wine {arguments[0]} failed (exit {result.returncode}):\n"
                                  f"{result.stdout}{result.stderr}")
        if not os.path.isdir(os.path.join(self.prefix, "drive_c", "windows")):
            raise TestFailure("wineboot --init made no drive_c/windows")
        with open(ready, "w") as stamp:
            stamp.write("made by harness.wine\n")
        log(f"Wine prefix made in {time.monotonic() - started:.1f} s: {self.prefix}")


def mci_calls(trace):
    """Each relayed mciSendStringA call in a trace, as a dict of the relay's
    arguments (text, command, reply, length, window as written), `code` (what
    it returned), `mci` (the mciSendStringW trace line's arguments that
    followed it), `line` (the relay line) and `step` (the step marked by
    "VP-STEP begin NAME" ... "VP-STEP end NAME" around it, or None)."""
    calls = []
    step = running = None
    for line in trace.splitlines():
        if line.startswith("VP-STEP begin "):
            step = line[len("VP-STEP begin "):].strip()
        elif line.startswith("VP-STEP end "):
            step = None
        elif match := RELAY_CALL.search(line):
            running = dict(match.groupdict(), code=None, mci=None, step=step, line=line.split(" ret=")[0])
            calls.append(running)
        elif running and (match := MCI_TRACE.search(line)) and running["mci"] is None:
            running["mci"] = match.groupdict()
        elif running and (match := RELAY_RETURN.search(line)):
            running["code"] = int(match.group("code"), 16)
            running = None
    return calls


def steps_begun(trace):
    return [line[len("VP-STEP begin "):].strip() for line in trace.splitlines() if line.startswith("VP-STEP begin ")]


def plain_call(call):
    """No reply buffer, length 0 and no callback window, in the call and in
    the mciSendStringW it became."""
    mci = call["mci"]
    return (int(call["reply"], 16) == 0 and int(call["length"], 16) == 0 and int(call["window"], 16) == 0
            and mci is not None and mci["command"] == call["command"] and int(mci["reply"], 16) == 0
            and mci["length"] == "0" and int(mci["window"], 16) == 0)
