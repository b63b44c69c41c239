#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The windows on the desktops Debian users run, photographed.

On private X servers, side by side, the program runs once on a plain
desktop and once on each dark one: GNOME (Qt's GTK theme with Adwaita's dark
variant), KDE (a dark colour scheme in a private kdeglobals), qt6ct (a
private configuration with a dark scheme and a 16 px font), and the GTK
theme forced on the program through QT_QPA_PLATFORMTHEME, which reaches
even a program that takes no desktop settings. For each desktop:
  - an ordinary Qt program (theme_probe) shows that the desktop is dark
    indeed (and for qt6ct, that its font is 16 px);
  - the main window as it opens and the About window once its portrait has
    landed are photographed and must be the plain desktop's, pixel for pixel:
    the same colours, the same dark captions, the same font;
  - the program writes nothing on standard error.

Usage: check_desktops.py PROGRAM THEME_PROBE WORK_FOLDER
The screenshots stay in WORK_FOLDER (made afresh); the X server and the
programs are stopped.
"""

import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import time

from harness.checks import TestFailure, log, run_checks, wait_for
from harness.display import private_environment, xvfb
from harness.facts import ABOUT_WINDOW, MAIN_WINDOW
from harness.processes import stop

KDEGLOBALS = """[General]
font=DejaVu Sans,12,-1,5,50,0,0,0,0,0

[Colors:Window]
BackgroundNormal=35,38,41
ForegroundNormal=239,240,241

[Colors:Button]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241

[Colors:View]
BackgroundNormal=27,30,32
ForegroundNormal=239,240,241

[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252
"""

QT6CT_CONF = """[Appearance]
color_scheme_path=/usr/share/qt6ct/colors/darker.conf
custom_palette=true
style=Fusion

[Fonts]
fixed="DejaVu Sans Mono,-1,16,5,400,0,0,0,0,0,0,0,0,0,0,1"
general="DejaVu Sans,-1,16,5,400,0,0,0,0,0,0,0,0,0,0,1"
"""

# Name, the environment that makes the desktop, the configuration files it
# reads (relative to its XDG_CONFIG_HOME), the font size its theme hands out.
DESKTOPS = [
    ("plain", {}, {}, None),
    ("GNOME, Adwaita dark", {"XDG_CURRENT_DESKTOP": "GNOME", "GTK_THEME": "Adwaita:dark"}, {}, None),
    ("KDE, dark colour scheme", {"XDG_CURRENT_DESKTOP": "KDE", "KDE_SESSION_VERSION": "5"},
     {"kdeglobals": KDEGLOBALS}, 16),
    ("qt6ct, dark scheme, 16 px font", {"QT_QPA_PLATFORMTHEME": "qt6ct"},
     {"qt6ct/qt6ct.conf": QT6CT_CONF}, 16),
    ("GTK theme forced, Adwaita dark", {"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": "Adwaita:dark"}, {}, None),
]

PROBE_LINE = re.compile(r"window #(\w{6}) text #(\w{6}) font (.+) (\d+)$")


def lightness(hex_colour):
    red, green, blue = (int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))
    return (max(red, green, blue) + min(red, green, blue)) / 2


# ------------------------------------------------------------------ screen --

def x11(env, *arguments):
    return subprocess.run(arguments, env=env, text=True, capture_output=True, timeout=30).stdout


def window_titled(env, title):
    pattern = "^" + re.escape(title) + "$"
    return wait_for(f"a window titled \"{title}\"", lambda: x11(
        env, "xdotool", "search", "--onlyvisible", "--name", pattern).split()[:1], timeout=30)[0]


def photograph(env, window, path):
    time.sleep(0.5)  # let the last paint reach the screen
    subprocess.run(["import", "-window", window, path], env=env, check=True, timeout=30)


def pixels_differing(first, second):
    """ImageMagick's count of differing pixels (AE); None if the sizes differ."""
    result = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                            text=True, capture_output=True, timeout=30)
    try:
        return int(float(result.stderr.split()[0]))
    except (ValueError, IndexError):
        return None


# ------------------------------------------------------------------- runs --

def probe(checks, name, env, probe_program, font_size):
    output = subprocess.run([probe_program], env=env, text=True, capture_output=True, timeout=30).stdout
    match = PROBE_LINE.search(output.strip())
    if not checks(match, f"{name}: an ordinary Qt program reports its palette and font", output):
        return
    window, text, family, pixels = match.groups()
    if name == "plain":
        checks(lightness(window) > 200 and lightness(text) < 60,
               f"plain: an ordinary Qt program is dark on light (window #{window}, text #{text})")
        return
    checks(lightness(window) < 80 and lightness(text) > 200,
           f"{name}: an ordinary Qt program is light on dark (window #{window}, text #{text})")
    if font_size:
        checks(int(pixels) == font_size,
               f"{name}: an ordinary Qt program gets the theme's {font_size} px font ({family} {pixels} px)")


def photograph_program(checks, name, env, program, work):
    """Photographs both windows; answers their paths, or None."""
    slug = re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")
    shots = (os.path.join(work, f"{slug}-main.png"), os.path.join(work, f"{slug}-about.png"))
    errors = os.path.join(work, f"{slug}-stderr.log")
    with open(errors, "w") as stderr:
        running = subprocess.Popen([program, "--device", "/dev/null"], env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=stderr)
    try:
        main = window_titled(env, MAIN_WINDOW.title)
        photograph(env, main, shots[0])
        height = int(dict(line.split("=", 1) for line in x11(
            env, "xdotool", "getwindowgeometry", "--shell", main).split())["HEIGHT"])
        menu_bar = height - MAIN_WINDOW.client[1]
        # "Tiedosto", then its first entry, "Tietoja".
        x11(env, "xdotool", "mousemove", "--window", main, "20", str(menu_bar // 2), "click", "1")
        time.sleep(0.3)
        x11(env, "xdotool", "key", "Down", "Return")
        about = window_titled(env, ABOUT_WINDOW.title)
        time.sleep(9)  # the portrait slides for eight seconds
        photograph(env, about, shots[1])
    finally:
        stop(running)
    with open(errors) as written:
        text = written.read()
    checks(not text.strip(), f"{name}: the program writes nothing on standard error", text)
    return shots


class Deferred:
    """Checks made on a thread, kept to be told in order afterwards."""

    def __init__(self):
        self.made = []

    def __call__(self, condition, what, detail=None):
        self.made.append((condition, what, detail))
        return bool(condition)


def run_desktop(desktop, program, probe_program, work):
    """One desktop on an X server of its own, with its own home and
    configuration; answers its checks, its screenshots (or None) and what
    stopped it (or None)."""
    name, variables, files, font_size = desktop
    checks = Deferred()
    home = os.path.join(work, "desktop-" + re.sub(r"\W+", "-", name.lower()))
    config = os.path.join(home, "config")
    for relative, text in files.items():
        os.makedirs(os.path.dirname(os.path.join(config, relative)), exist_ok=True)
        with open(os.path.join(config, relative), "w") as file:
            file.write(text)
    os.makedirs(home, exist_ok=True)
    try:
        with xvfb(home) as display:
            env = private_environment(display, home, LANG="C.UTF-8", XDG_CONFIG_HOME=config, **variables)
            probe(checks, name, env, probe_program, font_size)
            return checks, photograph_program(checks, name, env, program, work), None
    except TestFailure as stopped:
        return checks, None, stopped


def body(checks):
    program, probe_program, work = (os.path.abspath(path) for path in sys.argv[1:4])
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    # The desktops run side by side, each on its own X server: most of a run
    # is waiting for the portrait to land.
    with concurrent.futures.ThreadPoolExecutor(len(DESKTOPS)) as pool:
        runs = list(pool.map(lambda desktop: run_desktop(desktop, program, probe_program, work), DESKTOPS))
    plain = runs[0][1]
    for (name, *_), (made, shots, stopped) in zip(DESKTOPS, runs):
        log(f"== {name}")
        for check in made.made:
            checks(*check)
        if stopped:
            raise TestFailure(f"{name}: {stopped}")
        if shots is plain:
            continue
        for window, shot, reference in zip(("main window", "About window"), shots, plain):
            differing = pixels_differing(shot, reference)
            checks(differing == 0, f"{name}: the {window} is the plain desktop's, pixel for pixel "
                                   f"({differing} pixels differ; {os.path.basename(shot)})")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    run_checks("desktops", body)
