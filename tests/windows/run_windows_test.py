#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Windows package, proven under Wine.

  package  packs vorkula-ponkka-<version>-win64.zip with cpack and checks it:
           the program, its DLLs, plugins, Finnish texts and qt.conf are
           there; every binary is stripped; the program is a window program.
  installer  installs with the NSIS installer silently, finds the program's
           folder and Start-menu entry, and uninstalls again.
  wine     unpacks the zip into a fresh Wine prefix and starts the program
           on a private Xvfb with Wine's media-control trace (+mci, and a
           relay trace of mciSendStringA). With real clicks (xdotool) it
           reads the main window's caption and colour, meets the gate
           warning, ticks both confirmation boxes, opens and closes the tray
           (reading each advert's text through the box's Ctrl+C copy), opens
           the About window from the menu, and quits from the menu. Exactly
           "set cdaudio door open" and "set cdaudio door closed" must reach
           mciSendStringA, with no reply buffer and no callback window.

Screenshots of every window, the logs and the trace stay in the work folder;
the Wine prefix and Wine's temporary folder (a private one, not
in /tmp) are removed afterwards.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import time
import zipfile

from harness.checks import TestFailure, log, run_checks, wait_for
from harness.display import xvfb
from harness.facts import ABOUT_WINDOW, APPLICATION_TITLE, CLOSE, MAIN_WINDOW, MESSAGES, OPEN
from harness.wine import TRACE, Wine, mci_calls, plain_call

# Plain window background: beside the banner, between the frames, the corner.
BACKGROUND = [(6, 6), (120, 150), (505, 298)]

PACKAGE_FILES = [
    "vorkula-ponkka.exe", "qt.conf", "translations/qtbase_fi.qm", "translations/vorkula-ponkka_fi.qm",
    "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
    "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll",
    "platforms/qwindows.dll", "imageformats/qjpeg.dll", "styles/qwindowsvistastyle.dll",
    "LiberationSansNarrow-Regular.ttf", "LiberationSansNarrow-LICENSE.txt",
    "LiberationSansNarrow-GPL-2.txt",
]


def pe_header(data):
    """(COFF symbol count, section names, subsystem) of a PE image."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise TestFailure("not a PE image")
    sections, = struct.unpack_from("<H", data, pe + 6)
    pointer, symbols = struct.unpack_from("<II", data, pe + 12)
    optional, = struct.unpack_from("<H", data, pe + 20)
    subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
    table = pe + 24 + optional
    strings = pointer + 18 * symbols  # long section names ("/4") live here
    names = []
    for i in range(sections):
        name = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
        if name.startswith(b"/") and pointer:
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)]
        names.append(name.decode("latin-1"))
    return symbols, names, subsystem


# ---------------------------------------------------------------- package --

def package(options, check):
    started = time.monotonic()
    made = [path for path in (options.zip, options.installer) if path]
    for path in made:
        if os.path.exists(path):
            os.remove(path)
    result = subprocess.run([options.cpack, "--config", "CPackConfig.cmake"],
                            cwd=options.build, text=True, capture_output=True)
    log(result.stdout + result.stderr)
    if not check(result.returncode == 0 and all(map(os.path.exists, made)),
                 f"cpack made {' and '.join(map(os.path.basename, made))} "
                 f"in {time.monotonic() - started:.1f} s"):
        return
    if options.installer:
        log(f"installer: {os.path.getsize(options.installer) / 2**20:.1f} MiB")
    top = os.path.basename(options.zip)[:-len(".zip")] + "/"
    with zipfile.ZipFile(options.zip) as archive:
        infos = {info.filename[len(top):]: info for info in archive.infolist()
                 if info.filename.startswith(top) and not info.is_dir()}
        size = sum(info.file_size for info in infos.values())
        log(f"{len(infos)} files, {size / 2**20:.1f} MiB unpacked, "
            f"{os.path.getsize(options.zip) / 2**20:.1f} MiB packed:")
        for name in sorted(infos):
            log(f"    {infos[name].file_size:>10}  {name}")
        check(len(infos) == len(archive.infolist()) - sum(i.is_dir() for i in archive.infolist()),
              f"everything sits in one folder, {top}")
        missing = [name for name in PACKAGE_FILES if name not in infos]
        check(not missing, f"the program, Qt, the MinGW run-time, the plugins, qt.conf and "
                           f"the Finnish catalogues are there (missing: {missing})")
        binaries = [name for name in infos if name.lower().endswith((".exe", ".dll"))]
        unstripped = []
        for name in binaries:
            symbols, sections, _ = pe_header(archive.read(infos[name]))
            if symbols or any(section.startswith(".debug") for section in sections):
                unstripped.append(name)
        check(binaries and not unstripped,
              f"all {len(binaries)} binaries are stripped (not: {unstripped})")
        if "vorkula-ponkka.exe" in infos:
            subsystem = pe_header(archive.read(infos["vorkula-ponkka.exe"]))[2]
            check(subsystem == 2, f"vorkula-ponkka.exe is a window program, no console "
                                  f"(subsystem {subsystem})")


# ------------------------------------------------------------------- wine --

class Screen:
    """The private X server: windows, clicks, keys, pixels and the clipboard."""

    def __init__(self, display, work):
        self.env = dict(os.environ, DISPLAY=display)
        self.work = work

    def run(self, *arguments):
        return subprocess.run(arguments, env=self.env, text=True, capture_output=True,
                              timeout=30).stdout

    def find(self, title, timeout=60, gone=False):
        """The visible window with exactly this title (or, with gone, waits
        until there is none)."""
        def windows():
            return self.run("xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$").split()
        if gone:
            return wait_for(f"window \"{title}\" to close", lambda: not windows(), timeout, 0.2) and None
        found = wait_for(f"window \"{title}\"", windows, timeout, 0.2)
        time.sleep(0.5)  # let it paint
        return found[-1]

    def geometry(self, window):
        values = dict(line.split("=", 1) for line in
                      self.run("xdotool", "getwindowgeometry", "--shell", window).split())
        return tuple(int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def click(self, x, y, button=1):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", str(button))
        time.sleep(0.3)

    def key(self, window, *keys):
        self.run("xdotool", "windowfocus", "--sync", window)
        self.run("xdotool", "key", "--delay", "100", *keys)
        time.sleep(0.3)

    def shot(self, name, x, y, width, height):
        path = os.path.join(self.work, name)
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                        "+repage", path], env=self.env, check=True, timeout=30)
        return path

    def pixel(self, path, x, y):
        return self.run("convert", path, "-format", f"%[hex:p{{{x},{y}}}]", "info:").strip()[:6]

    def clipboard(self):
        return subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"],
                              env=self.env, capture_output=True, timeout=10).stdout.decode(
                                  "utf-8", "replace").replace("\r\n", "\n")


def read_box(screen, check, what, shot=None):
    """Reads the message box that is showing through its Ctrl+C copy
    (title, text, buttons), optionally photographs it, and presses Enter."""
    box = screen.find(APPLICATION_TITLE)
    x, y, width, height = screen.geometry(box)
    if shot:
        screen.shot(shot, x, y, width, height)
    screen.key(box, "ctrl+c")
    parts = [part.strip("\n") for part in screen.clipboard().split("---------------------------")]
    parts = [part for part in parts if part]
    log(f"    the box reads {parts!r}")
    screen.key(box, "Return")
    screen.find(APPLICATION_TITLE, timeout=20, gone=True)
    check(len(parts) >= 2 and parts[0] == APPLICATION_TITLE, f"{what}: a box titled \"{APPLICATION_TITLE}\"")
    return parts[1] if len(parts) >= 2 else None


def drive_program(screen, check):
    main = screen.find(MAIN_WINDOW.title)
    x, y, width, height = screen.geometry(main)
    client_width, client_height = MAIN_WINDOW.client
    menu = height - client_height
    log(f"main window at ({x},{y}), {width}x{height}: menu bar {menu} px")
    check(width == client_width and 10 <= menu <= 40,
          f"the client area is {client_width}x{client_height} below a menu bar ({width}x{height})")

    def click(name, button=1):
        centre_x, centre_y = MAIN_WINDOW[name].centre
        screen.click(x + centre_x, y + menu + centre_y, button)

    shot = screen.shot("windows-main-window.png", x, y, width, height)
    colours = [screen.pixel(shot, px, menu + py) for px, py in BACKGROUND]
    check(all(colour == MAIN_WINDOW.background for colour in colours),
          f"the window is yellow #{MAIN_WINDOW.background} (read {colours})")

    log("\"&Avaa\" before the boxes are ticked:")
    click("CmdPonkka")
    check(read_box(screen, check, "the gate") == MESSAGES["warning"], f"the gate warns {MESSAGES['warning']!r}")

    log("tick \"EN ole Rutabo.\" and \"Ihan tosi !\", then \"&Avaa\" and \"&Sulje\":")
    click("Check2")
    click("Check3")
    click("CmdPonkka")
    text = read_box(screen, check, "after \"&Avaa\"", shot="windows-advert.png")
    check(text == MESSAGES["open_advert"], f"the advert reads {MESSAGES['open_advert']!r}")
    click("CmdSulje")
    check(read_box(screen, check, "after \"&Sulje\"") == MESSAGES["close_advert"],
          f"the advert reads {MESSAGES['close_advert']!r}")

    log("the delay field's context menu (Qt's own texts):")
    click("TxtViive", button=3)
    time.sleep(1)
    screen.shot("windows-context-menu.png", x, y, width + 160, height + 120)
    screen.key(main, "Escape")

    log("\"Tiedosto\" -> \"Tietoja\":")
    screen.click(x + 25, y + menu // 2)
    screen.key(main, "Down", "Return")
    about = screen.find(ABOUT_WINDOW.title)
    time.sleep(9)  # the portrait slides for eight seconds
    ax, ay, awidth, aheight = screen.geometry(about)
    screen.shot("windows-about-window.png", ax, ay, awidth, aheight)
    check((awidth, aheight) == ABOUT_WINDOW.client,
          f"the About window \"{ABOUT_WINDOW.title}\" is {ABOUT_WINDOW.client[0]}x{ABOUT_WINDOW.client[1]} "
          f"({awidth}x{aheight})")
    screen.key(about, "alt+s")
    screen.find(ABOUT_WINDOW.title, timeout=20, gone=True)

    log("\"Tiedosto\" -> \"Sulje\":")
    screen.click(x + 25, y + menu // 2)
    screen.key(main, "Down", "Down", "Return")


def fresh_prefix(work):
    """A new Wine prefix in a work folder made afresh; the prefix and Wine's
    server folder go again afterwards."""
    shutil.rmtree(work, ignore_errors=True)
    return Wine(work, fresh=True)


def kept_out_of_tmp(check, wine):
    check(wine.server_folders(), f"Wine kept its server folder in the private TMPDIR ({wine.server_folders()})")


def under_wine(options, check):
    started = time.monotonic()
    work = os.path.abspath(options.work)
    program_log = os.path.join(work, "program.log")
    with fresh_prefix(work) as wine, xvfb(work) as display:
        target = os.path.join(wine.prefix, "drive_c", "Program Files")
        with zipfile.ZipFile(options.zip) as archive:
            archive.extractall(target)
            folder = os.path.join(target, archive.namelist()[0].split("/")[0])
        screen = Screen(display, work)
        env = dict(wine.environment, DISPLAY=display, WINEDEBUG=TRACE + ",+file")
        with open(program_log, "w") as out:
            program = subprocess.Popen([wine.loader, os.path.join(folder, "vorkula-ponkka.exe")],
                                       env=env, cwd=work, stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        try:
            run_started = time.monotonic()
            drive_program(screen, check)
            try:
                code = program.wait(timeout=30)
            except subprocess.TimeoutExpired:
                code = None
            check(code == 0, f"the program ended from its menu, exit code {code}")
            log(f"the program ran {time.monotonic() - run_started:.1f} s under Wine")
            kept_out_of_tmp(check, wine)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()

    with open(program_log, errors="replace") as file:
        calls = mci_calls(file.read())
    log("what reached mciSendStringA:")
    for call in calls:
        log(f"    \"{call['command']}\" reply {call['reply']} length {call['length']} window {call['window']}")
    check([call["command"] for call in calls] == [OPEN, CLOSE],
          f"exactly \"{OPEN}\", then \"{CLOSE}\"; nothing for the gate")
    for call in calls:
        check(plain_call(call), f"\"{call['command']}\": no reply buffer, length 0, no callback window, "
                                "and the same in mciSendStringW")
    with open(program_log, errors="replace") as file:
        trace = file.read()
    opened = re.findall(r'CreateFile[0-9W]*\s*\(?L"([^"]*qtbase_fi\.qm)"', trace)
    check(any("\\translations\\" in path.lower() for path in opened),
          f"Qt's Finnish texts were read from the package's translations folder ({opened})")
    fonts = re.findall(r'CreateFile[0-9W]*\s*\(?L"([^"]*LiberationSansNarrow-Regular\.ttf)"', trace)
    beside = "\\" + os.path.basename(folder).lower()
    # Wine's trace may double each backslash.
    check(any(path.replace("\\\\", "\\").lower().rsplit("\\", 1)[0].endswith(beside) for path in fonts),
          f"the windows' font was read from beside the program ({fonts})")
    log(f"{time.monotonic() - started:.1f} s in all; screenshots and program.log in {work}")


def installer(options, check):
    """Installs silently, as an administrator's script would, checks the
    folder, the Start-menu entry and the uninstaller, then uninstalls."""
    with fresh_prefix(os.path.abspath(options.work)) as wine:
        drive_c = os.path.join(wine.prefix, "drive_c")
        folder = os.path.join(drive_c, "Program Files", "Vorkula Ponkka")

        def entries():
            return [os.path.relpath(os.path.join(root, name), drive_c)
                    for root, _, names in os.walk(drive_c) for name in names
                    if name == "Vorkula Ponkka.lnk"]

        result = wine.run([options.installer, "/S"], timeout=120)
        wine.wait_for_server()
        check(result.returncode == 0, f"the installer ran silently (exit {result.returncode})")
        missing = [name for name in PACKAGE_FILES + ["Uninstall.exe"]
                   if not os.path.isfile(os.path.join(folder, name))]
        installed = check(not missing, f"everything is in C:\\Program Files\\Vorkula Ponkka "
                                       f"(missing: {missing})")
        installed &= check(any("Start Menu" in path for path in entries()),
                           f"the Start menu has \"Vorkula Ponkka\" ({entries()})")
        if not installed:
            log(result.stdout + result.stderr)
            return

        result = wine.run([os.path.join(folder, "Uninstall.exe"), "/S"], timeout=120)
        wine.wait_for_server()  # the uninstaller finishes from a copy of itself
        check(result.returncode == 0, f"the uninstaller ran (exit {result.returncode})")
        check(not os.path.exists(folder), "the program's folder is gone")
        check(not entries(), f"the Start-menu entry is gone ({entries()})")
        kept_out_of_tmp(check, wine)


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["package", "wine", "installer"])
    parser.add_argument("--zip", required=True)
    parser.add_argument("--installer", help="package, installer: the NSIS installer")
    parser.add_argument("--work", help="wine, installer: the work folder (made afresh)")
    parser.add_argument("--build", help="package: the build tree that cpack packs")
    parser.add_argument("--cpack", help="package: the cpack program")
    options = parser.parse_args()
    mode = {"package": package, "wine": under_wine, "installer": installer}[options.mode]
    run_checks(f"windows {options.mode}", lambda check: mode(options, check))
