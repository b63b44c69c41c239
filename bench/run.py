#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Benchmarks of what a user feels, each against a floor measured in the same run.

    python3 bench/run.py startup [--runs 15]   start-up time and peak memory
    python3 bench/run.py idle                  CPU and wake-ups while idle and while cycling
    python3 bench/run.py timers [--seconds 20] colour timer accuracy
    python3 bench/run.py click [--clicks 2000] tray click cost
    python3 bench/run.py all                   all four, with the machine they ran on

Builds the "bench" preset first. Window benchmarks run the real program
(build/bench/app/vorkula-ponkka, unchanged) on an X server: $DISPLAY if set,
else a private Xvfb. bench/probe.cpp is loaded into it with LD_PRELOAD to
report its first painted frame, peak memory and timer ticks. The floor is
bench/floor_window.cpp, a bare Qt window with the same widgets. Every process
runs under nice (inherited from this script), so other work on the machine
comes first.
"""

import argparse
import contextlib
import os
import platform
import random
import select
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "support"))
sys.dont_write_bytecode = True  # nothing of the harness cached in the source tree
from harness.display import xvfb  # noqa: E402
from harness.processes import stop  # noqa: E402
BUILD = ROOT / "build" / "bench"
PROGRAM = BUILD / "app" / "vorkula-ponkka"
FLOOR = BUILD / "bench" / "vp-bench-floor"
PROBE = BUILD / "bench" / "libvp_bench_probe.so"
TRAY_CLICK = BUILD / "bench" / "vp-bench-tray-click"
NICE = ["nice", "-n", "10"]


def build():
    subprocess.run(NICE + ["cmake", "--preset", "bench"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(NICE + ["cmake", "--build", "--preset", "bench"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


class Display:
    """$DISPLAY if there is one, else a private Xvfb for as long as the benchmark runs."""

    def __init__(self):
        self.name = os.environ.get("DISPLAY")
        # Qt's run-time folder: the session's, or a private one removed at the
        # end (without one Qt would make a runtime-<user> folder in the
        # system-wide temporary directory and leave it there).
        self.runtime = os.environ.get("XDG_RUNTIME_DIR")
        self.resources = contextlib.ExitStack()

    def __enter__(self):
        if not self.runtime:
            self.runtime = self.resources.enter_context(tempfile.TemporaryDirectory(prefix="vp-bench-runtime-"))
        if not self.name:
            work = self.resources.enter_context(tempfile.TemporaryDirectory(prefix="vp-bench-xvfb-"))
            self.name = self.resources.enter_context(xvfb(work, "1280x1024x24"))
        return self

    def __exit__(self, *exc):
        self.resources.close()

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb", LD_PRELOAD=str(PROBE),
                   XDG_RUNTIME_DIR=self.runtime)
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        return env


def read_report(path):
    values = {}
    timers = []
    for line in Path(path).read_text().splitlines():
        if line.startswith("timer "):
            fields = dict(item.split("=", 1) for item in line.split()[2:])
            timers.append((line.split()[1], fields))
        elif "=" in line:
            key, value = line.split("=", 1)
            values[key] = value
    return values, timers


def spawn(command, env):
    return subprocess.Popen([str(c) for c in command], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_for(path, key, process, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError(f"{process.args} ended early with {process.returncode}")
        if Path(path).exists() and key in read_report(path)[0]:
            return read_report(path)[0]
        time.sleep(0.01)
    raise RuntimeError(f"{process.args}: no {key} within {timeout} s")


# ---- start-up ----------------------------------------------------------------

def startup_variants():
    banner = ROOT / "assets" / "banner.jpg"
    font = "--font=Liberation Sans Narrow:11"
    return [
        ("program", [PROGRAM]),
        ("floor: bare window, same widgets", [FLOOR]),
        ("floor + JPEG banner decoded", [FLOOR, f"--picture={banner}"]),
        ("floor + program font", [FLOOR, font]),
        ("floor + Finnish Qt translation", [FLOOR, "--translation"]),
        ("floor + per-control colours", [FLOOR, "--palettes"]),
        ("floor + all four", [FLOOR, f"--picture={banner}", font, "--translation", "--palettes"]),
    ]


def one_startup(display, command):
    """Wall time to the first frame (ms), CPU time used by then (ms), peak RSS (MiB), widget census."""
    with tempfile.NamedTemporaryFile(prefix="vp-probe-", delete=False) as out:
        path = out.name
    try:
        env = display.env(VP_PROBE_OUT=path, VP_PROBE_MODE="startup")
        start = time.monotonic_ns()  # CLOCK_MONOTONIC, the probe's clock
        process = spawn(command, env)
        watchdog = threading.Timer(30, process.kill)
        watchdog.start()
        _, status, usage = os.wait4(process.pid, 0)  # the probe ends the process at its first frame
        watchdog.cancel()
        process.returncode = os.waitstatus_to_exitcode(status)
        values, _ = read_report(path)
        if "frame_ns" not in values:
            raise RuntimeError(f"{command} did not report a frame (exit {process.returncode})")
        cpu_ms = (usage.ru_utime + usage.ru_stime) * 1e3
        return ((int(values["frame_ns"]) - start) / 1e6, cpu_ms, int(values["peak_rss_kib"]) / 1024,
                values["widgets"])
    finally:
        os.unlink(path)


def bench_startup(display, runs):
    variants = startup_variants()
    samples = {name: [] for name, _ in variants}
    census = {}
    order = list(range(len(variants)))
    rng = random.Random(7)
    for round_ in range(runs + 1):  # round 0 warms the caches and is not counted
        rng.shuffle(order)
        for index in order:
            name, command = variants[index]
            ms, cpu_ms, mib, widgets = one_startup(display, command)
            census[name] = widgets
            if round_:
                samples[name].append((ms, mib, cpu_ms))
    floor = "floor: bare window, same widgets"
    if census["program"] != census[floor]:
        print(f"WARNING: widget kinds differ\n  program: {census['program']}\n  floor:   {census[floor]}")
    def median(name, i):
        return statistics.median(s[i] for s in samples[name])

    print(f"Start-up to first painted frame, median of {runs} interleaved runs each (X server {display.name})")
    print(f"Widgets in both windows: {census['program']}\n")
    print("| variant | start-up ms | × floor | CPU ms | × floor | peak RSS MiB | × floor |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for name, _ in variants:
        ms, mib, cpu = (median(name, i) for i in range(3))
        print(f"| {name} | {ms:.1f} | {ms / median(floor, 0):.2f} | {cpu:.1f} | {cpu / median(floor, 2):.2f} "
              f"| {mib:.1f} | {mib / median(floor, 1):.2f} |")
    spread = [s[0] for s in samples["program"]]
    print(f"\nprogram start-up spread: min {min(spread):.1f} ms, max {max(spread):.1f} ms\n")


# ---- idle and cycling ---------------------------------------------------------

def cpu_and_switches(pid):
    """CPU time (ns) and context switches of every thread of a process so far."""
    cpu = switches = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            cpu += int((task / "schedstat").read_text().split()[0])
            for line in (task / "status").read_text().splitlines():
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
        except FileNotFoundError:
            pass
    return cpu, switches


def measure_running(display, command, mode, seconds, settle=2.0, **extra):
    with tempfile.NamedTemporaryFile(prefix="vp-probe-", delete=False) as out:
        path = out.name
    process = spawn(command, display.env(VP_PROBE_OUT=path, VP_PROBE_MODE=mode, **extra))
    try:
        wait_for(path, "frame_ns", process)
        time.sleep(settle)
        pid = process.pid
        cpu0, sw0 = cpu_and_switches(pid)
        time.sleep(seconds)
        cpu1, sw1 = cpu_and_switches(pid)
        return (cpu1 - cpu0) / 1e6, sw1 - sw0
    finally:
        stop(process)
        os.unlink(path)


def bench_idle(display, seconds=10):
    rows = [
        ("program, idle (no colour timer)", measure_running(display, [PROGRAM], "idle", seconds)),
        ("floor, idle", measure_running(display, [FLOOR], "idle", seconds)),
        ("program, cycling at delay \"1\"", measure_running(display, [PROGRAM], "cycle", seconds, VP_PROBE_DELAY="1")),
        ("floor, coloured controls, three precise timers repainting",
         measure_running(display, [FLOOR, "--palettes", "--timers"], "idle", seconds)),
    ]
    print(f"CPU time and wake-ups over {seconds} s, after 2 s to settle (X server {display.name})\n")
    print("| process | CPU ms | CPU % of one core | context switches (all threads) |")
    print("|---|---:|---:|---:|")
    for name, (cpu_ms, switches) in rows:
        print(f"| {name} | {cpu_ms:.2f} | {cpu_ms / (seconds * 10):.3f} | {switches} |")
    print()


# ---- timer accuracy -------------------------------------------------------------

def timer_run(display, command, seconds):
    with tempfile.NamedTemporaryFile(prefix="vp-probe-", delete=False) as out:
        path = out.name
    try:
        process = spawn(command, display.env(VP_PROBE_OUT=path, VP_PROBE_MODE="timers",
                                             VP_PROBE_SECONDS=str(seconds), VP_PROBE_DELAY="1"))
        process.wait(seconds + 60)
        return read_report(path)[1]
    finally:
        os.unlink(path)


def kernel_floor(seconds, period_ms, use_poll, result):
    """The machine's own floor: a bare sleeper with deadlines a whole period
    apart, timed the same way (no Qt, no display). With use_poll it waits in
    poll(), as an event loop does; else in clock_nanosleep()."""
    ticks = []
    poller = select.poll()
    start = time.monotonic_ns()
    for k in range(1, int(seconds * 1000 // period_ms) + 1):
        due = start + k * period_ms * 1_000_000
        while (left := due - time.monotonic_ns()) > 0:
            if use_poll:
                poller.poll(-(-left // 1_000_000))  # whole milliseconds, rounded up
            else:
                time.sleep(left / 1e9)
        ticks.append(time.monotonic_ns())
    gaps = [abs((b - a) / 1e6 - period_ms) for a, b in zip(ticks, ticks[1:])]
    offsets = [(t - ticks[0]) / 1e6 - i * period_ms for i, t in enumerate(ticks)]
    result.append({"period_ms": period_ms, "ticks": len(ticks), "mean_dev_ms": statistics.mean(gaps),
                   "worst_dev_ms": max(gaps), "worst_late_ms": max(offsets) - min(offsets),
                   "late_ms": statistics.mean((t - start) / 1e6 - (i + 1) * period_ms for i, t in enumerate(ticks))})


def bench_timers(display, seconds):
    print(f"Colour timer accuracy over {seconds} s at delay \"1\": deviation of each gap between ticks "
          f"from the period (X server {display.name})\n")
    print("| process | timer | period ms | ticks | mean dev ms | worst dev ms | worst late ms |")
    print("|---|---|---:|---:|---:|---:|---:|")
    kernel = {}
    sleepers = [threading.Thread(target=kernel_floor, args=(seconds, 1000, use_poll, kernel.setdefault(use_poll, [])))
                for use_poll in (True, False)]
    for sleeper in sleepers:
        sleeper.start()  # beside the program's run: they only sleep
    for name, command in (("program", [PROGRAM]), ("Qt floor", [FLOOR, "--palettes", "--timers"])):
        for timer, f in timer_run(display, command, seconds):
            print(f"| {name} | {timer} | {f['period_ms']} | {f['ticks']} | {float(f['mean_dev_ms']):.3f} "
                  f"| {float(f['worst_dev_ms']):.3f} | {float(f['worst_late_ms']):.3f} |")
    for sleeper in sleepers:
        sleeper.join()
    late = {}
    for use_poll, what in ((True, "poll()"), (False, "clock_nanosleep()")):
        k = kernel[use_poll][0]
        late[what] = k["late_ms"]
        print(f"| machine floor: bare {what} sleeper, no Qt | - | {k['period_ms']} | {k['ticks']} "
              f"| {k['mean_dev_ms']:.3f} | {k['worst_dev_ms']:.3f} | {k['worst_late_ms']:.3f} |")
    print("\ndev: each gap between two ticks against the period; late: each tick against the schedule set by "
          "the least late one.")
    print(f"Mean wake-up after the deadline: poll() {late['poll()']:.3f} ms, clock_nanosleep() "
          f"{late['clock_nanosleep()']:.3f} ms, at niceness {os.nice(0)}. Linux lets a poll() timeout run late "
          "by 0.1 % of its length, 0.5 % for a process with positive niceness.")
    print()


# ---- tray click -----------------------------------------------------------------

def bench_click(clicks):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    subprocess.run([str(TRAY_CLICK), str(clicks)], env=env, check=True)
    print()


def machine():
    model = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")), "?")
    load = open("/proc/loadavg").read().split()[:3]
    print(f"Machine: {os.cpu_count()} CPUs ({model}), Linux {platform.release()}, "
          f"load average at start {' '.join(load)}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("benchmark", choices=["startup", "idle", "timers", "click", "all"])
    parser.add_argument("--runs", type=int, default=20, help="start-up runs per variant (at least 10)")
    parser.add_argument("--seconds", type=int, default=20, help="timer accuracy run length")
    parser.add_argument("--clicks", type=int, default=2000, help="tray clicks")
    parser.add_argument("--no-build", action="store_true", help="use build/bench as it is")
    args = parser.parse_args()
    if args.runs < 10:
        parser.error("--runs must be at least 10")
    if not args.no_build:
        build()
    os.nice(10)  # every process measured from here on inherits it
    machine()
    which = args.benchmark
    with Display() as display:
        if which in ("startup", "all"):
            bench_startup(display, args.runs)
        if which in ("idle", "all"):
            bench_idle(display)
        if which in ("timers", "all"):
            bench_timers(display, args.seconds)
    if which in ("click", "all"):
        bench_click(args.clicks)


if __name__ == "__main__":
    sys.exit(main())
