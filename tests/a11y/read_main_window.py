#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The main window as a screen reader meets it.

Starts the real program under Xvfb with a private D-Bus session and the AT-SPI
bus (at-spi2-core), and reads its live window with the AT-SPI client library
(python3-pyatspi): every control must be there with its text as its name, the
right role, the right check state and its keyboard shortcut; the banner must
say what it shows. Then it ticks, selects and right-clicks as an assistive
tool or a user would, and reads the changed states and the delay field's
context menu, which must be in Finnish although the user's locale is English.
Last it opens the About window from the menu and reads it the same way.

Usage: read_main_window.py PROGRAM
(The script sets up its display and session bus itself and then runs itself
again inside them with --inside.)
"""

import os
import subprocess
import sys
import time

from harness.display import desktop, rerun_inside_session_bus
from harness.processes import stop

WINDOW_TITLE = "Vorkula Ponkka 1.01"

# Each frame of the window with the controls it holds, as (role, name).
FRAMES = {
    "CD-Asema": [("push button", "Avaa"), ("push button", "Sulje")],
    "Tilastot": [
        ("label", "Olet avannut cd-asemasi"), ("label", "0"), ("label", "Kertaa"),
        ("label", "Olet sulkenut cd-asemasi"), ("label", "0"), ("label", "Kertaa"),
        ("radio button", "CD-asemasi on tällä hetkellä auki"),
        ("radio button", "CD-asemasi on tällä hetkellä kiinni"),
    ],
    "Asetukset": [
        ("check box", "Ota mainokset puis!"), ("check box", "EN ole Rutabo."),
        ("check box", "Ihan tosi !"),
    ],
    "Taustaväri": [
        ("radio button", "Keltainen"), ("radio button", "Vihreä"), ("radio button", "Punainen"),
        ("radio button", "Looppaa.. =)"), ("label", "Viive:"), ("text", "Viive:"),
        ("push button", "Käytä"),
    ],
}
# The one selected option right after start.
CHECKED_AT_START = {("radio button", "Keltainen")}
# Push buttons with their "&" mnemonics.
SHORTCUTS = {"Avaa": "Alt+A", "Sulje": "Alt+S", "Käytä": "Alt+K"}
MENU = ("Tiedosto", ["Tietoja", "Sulje"])
# The About window: its frame, the fixed texts among its labels, its buttons.
ABOUT_TITLE = "Tietoja"
ABOUT_FRAME = "Tämän softan on koodaillut"
ABOUT_PRODUCT_LABEL = "Vorkula Ponkka 1.01"
ABOUT_LABELS = 4
ABOUT_BUTTONS = {"Mee puis !": None, "Sulje": "Alt+S"}
# Undo, Redo, Cut, Copy, Paste, Delete, Select All, as qtbase_fi.qm has them.
FINNISH_CONTEXT_MENU = ["Kumoa", "Tee uudelleen", "Leikkaa", "Kopioi", "Liitä", "Poista",
                        "Valitse kaikki"]


class Failures:
    def __init__(self):
        self.items = []

    def check(self, condition, message):
        if not condition:
            self.items.append(message)
            print("FAIL:", message)
        return condition


def wait_for(what, probe, timeout=20.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    raise SystemExit(f"FAIL: timed out waiting for {what}")


# ---------------------------------------------------------------- outside --

def outside():
    with desktop(prefix="vp-a11y-") as (work, env):
        return rerun_inside_session_bus(env, timeout=120)


# ----------------------------------------------------------------- inside --

def inside(program):
    import pyatspi

    def states(node):
        return node.getState()

    def is_checked(node):
        return states(node).contains(pyatspi.STATE_CHECKED)

    def children(node):
        return [child for child in node if child is not None]

    def walk(node):
        yield node
        for child in children(node):
            yield from walk(child)

    def key(node):
        return (node.getRoleName(), node.name)

    def read_context_menu(field):
        from gi.repository import GLib

        extents = field.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
        items = []

        def on_showing(event):
            menu = event.source
            if menu is not None and menu.getRoleName() == "popup menu" and event.detail1 == 1:
                items.extend(c.name for c in children(menu) if c.getRoleName() == "menu item")
                pyatspi.Registry.stop()

        def right_click():
            subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "3"], check=True)
            return False

        def give_up():
            pyatspi.Registry.stop()
            return False

        pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
        GLib.timeout_add(300, right_click)  # once the program knows of the listener
        GLib.timeout_add(10000, give_up)
        pyatspi.Registry.start()
        pyatspi.Registry.deregisterEventListener(on_showing, "object:state-changed:showing")
        if not items:
            raise SystemExit("FAIL: no context menu showed over the delay field within 10 s")
        return items

    def read_about_window(about):
        every = list(walk(about))
        for node in every[1:]:
            print(f"  {node.getRoleName()} '{node.name}'")
        frames = [n for n in every if n.getRoleName() == "panel"]
        failures.check([n.name for n in frames] == [ABOUT_FRAME],
                       f"the About window's frames are {[n.name for n in frames]}, expected {[ABOUT_FRAME]}")
        labels = [n.name for n in every if n.getRoleName() == "label"]
        failures.check(len(labels) == ABOUT_LABELS and ABOUT_PRODUCT_LABEL in labels and "" not in labels,
                       f"the About window's labels read {labels}")
        buttons = {n.name: n for n in every if n.getRoleName() == "push button"}
        failures.check(sorted(buttons) == sorted(ABOUT_BUTTONS),
                       f"the About window's buttons are {sorted(buttons)}, expected {sorted(ABOUT_BUTTONS)}")
        for name, shortcut in ABOUT_BUTTONS.items():
            if shortcut and name in buttons:
                action = buttons[name].queryAction()
                bindings = [action.getKeyBinding(i) for i in range(action.nActions)]
                failures.check(shortcut in bindings, f"About button '{name}' binds {bindings}, expected {shortcut}")
        images = [n for n in every if n.getRoleName() == "image"]
        failures.check(len(images) == 1, f"{len(images)} images in the About window, expected the portrait")
        for image in images:
            print(f"  image '{image.name}': {image.description}")
            failures.check(image.name != "", "the portrait has no name")
            failures.check(len(image.description) >= 40 and image.description != image.name,
                           f"the portrait's description {image.description!r} does not describe the picture")
        # "Sulje" closes the window, pressed the way an assistive tool presses it.
        if "Sulje" in buttons:
            action = buttons["Sulje"].queryAction()
            action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
            wait_for("the About window to close",
                     lambda: all(n.name != ABOUT_TITLE for n in children(application)), 10)

    failures = Failures()
    desktop = pyatspi.Registry.getDesktop(0)  # starts the AT-SPI bus
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="en_US.UTF-8",
               LC_ALL="en_US.UTF-8", LANGUAGE="en_US:en")
    process = subprocess.Popen([program], env=env)
    try:
        application = wait_for(
            "the program on the accessibility bus",
            lambda: next((app for app in children(desktop) if app.get_process_id() == process.pid), None))
        window = wait_for(
            f"a frame named '{WINDOW_TITLE}'",
            lambda: next((n for n in children(application)
                          if n.getRoleName() == "frame" and n.name == WINDOW_TITLE), None))

        # The controls, frame by frame.
        print(f"frame '{window.name}'")
        every = list(walk(window))
        panels = {n.name: n for n in every if n.getRoleName() == "panel"}
        failures.check(sorted(panels) == sorted(FRAMES),
                       f"frames read {sorted(panels)}, expected {sorted(FRAMES)}")
        controls = {}
        for caption, expected in FRAMES.items():
            panel = panels.get(caption)
            if panel is None:
                continue
            read = [key(c) for c in children(panel)]
            for role, name in read:
                print(f"  {caption}: {role} '{name}'")
            failures.check(sorted(read) == sorted(expected),
                           f"frame '{caption}' holds {sorted(read)}, expected {sorted(expected)}")
            for child in children(panel):
                controls.setdefault(key(child), child)

        # Nothing in the window goes unnamed except the containers themselves.
        for node in every:
            role = node.getRoleName()
            if role in ("filler", "menu bar", "popup menu", "frame"):
                continue
            failures.check(node.name != "", f"a {role} without a name")

        # Check states right after start.
        for (role, name), node in controls.items():
            if role in ("check box", "radio button"):
                expected = (role, name) in CHECKED_AT_START
                failures.check(is_checked(node) == expected,
                               f"{role} '{name}' is {'' if is_checked(node) else 'not '}checked at start")

        # Push buttons say which keys press them.
        for name, shortcut in SHORTCUTS.items():
            node = controls.get(("push button", name))
            if node is None:
                continue
            action = node.queryAction()
            bindings = [action.getKeyBinding(i) for i in range(action.nActions)]
            failures.check(shortcut in bindings, f"push button '{name}' binds {bindings}, expected {shortcut}")

        # The delay field: named by its caption, editable, holding "1".
        field = controls.get(("text", "Viive:"))
        if field is not None:
            failures.check(states(field).contains(pyatspi.STATE_EDITABLE), "the delay field is not editable")
            text = field.queryText()
            failures.check(text.getText(0, -1) == "1", f"the delay field reads {text.getText(0, -1)!r}")

        # The banner is an image that says what it shows.
        images = [n for n in every if n.getRoleName() == "image"]
        failures.check(len(images) == 1, f"{len(images)} images in the window, expected the banner")
        for image in images:
            print(f"  image '{image.name}': {image.description}")
            failures.check(image.name != "", "the banner has no name")
            failures.check(len(image.description) >= 40 and image.description != image.name,
                           f"the banner's description {image.description!r} does not describe the picture")

        # The menu.
        bars = [n for n in children(window) if n.getRoleName() == "menu bar"]
        if failures.check(len(bars) == 1, f"{len(bars)} menu bars"):
            titles = [key(n) for n in children(bars[0])]
            failures.check(titles == [("menu item", MENU[0])], f"menu bar holds {titles}")
            entries = [n.name for n in walk(bars[0]) if n.getRoleName() == "menu item"][1:]
            failures.check(entries == MENU[1], f"menu '{MENU[0]}' holds {entries}, expected {MENU[1]}")

        # States follow the live window: tick a box and pick a colour as an
        # assistive tool does (no Apply, so nothing else happens).
        def act(node, name):
            action = node.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            action.doAction(names.index(name))

        adverts_off = controls.get(("check box", "Ota mainokset puis!"))
        if adverts_off is not None:
            act(adverts_off, "Toggle")
            wait_for("'Ota mainokset puis!' to read ticked", lambda: is_checked(adverts_off), 5)
            act(adverts_off, "Toggle")
            wait_for("'Ota mainokset puis!' to read unticked", lambda: not is_checked(adverts_off), 5)
        green = controls.get(("radio button", "Vihreä"))
        yellow = controls.get(("radio button", "Keltainen"))
        if green is not None and yellow is not None:
            act(green, "Toggle")
            wait_for("'Vihreä' to read selected", lambda: is_checked(green), 5)
            failures.check(not is_checked(yellow), "'Keltainen' still reads selected after 'Vihreä' was chosen")

        # Right-click the delay field: its context menu reads Finnish. A popup
        # is not a child of the application; a screen reader learns of it from
        # the event that it is showing.
        if field is not None:
            items = read_context_menu(field)
            print(f"  context menu of the delay field: {items}")
            shown = [item.split("\t")[0] for item in items]
            failures.check(shown == FINNISH_CONTEXT_MENU,
                           f"the context menu reads {shown}, expected {FINNISH_CONTEXT_MENU}")
            subprocess.run(["xdotool", "key", "Escape"], check=True)

        # The About window, opened from the menu as a user opens it (an
        # assistive tool's "Press" would wait for the modal window to close).
        bars = [n for n in children(window) if n.getRoleName() == "menu bar"]
        menu_title = next((n for n in walk(bars[0]) if key(n) == ("menu item", MENU[0])), None) if bars else None
        if failures.check(menu_title is not None, "no menu to open the About window from"):
            extents = menu_title.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            subprocess.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                            str(extents.y + extents.height // 2), "click", "1"], check=True)
            time.sleep(0.3)
            subprocess.run(["xdotool", "key", "Down", "Return"], check=True)
            about = wait_for(f"a window named '{ABOUT_TITLE}'",
                             lambda: next((n for n in children(application) if n.name == ABOUT_TITLE), None), 10)
            print(f"{about.getRoleName()} '{about.name}'")
            read_about_window(about)
    finally:
        stop(process, grace=10)

    if failures.items:
        print(f"{len(failures.items)} failures")
        return 1
    print("PASS: the main window and the About window read as they should")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2]))
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(outside())
