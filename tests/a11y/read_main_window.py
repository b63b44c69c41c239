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

from harness.atspi import accessible
from harness.checks import TestFailure, run_checks, wait_for
from harness.display import desktop, rerun_inside_session_bus
from harness.facts import ABOUT_WINDOW, MAIN_WINDOW
from harness.processes import stop

# Each frame of the main window with the controls it holds.
FRAMES = {frame.caption: sorted(accessible(MAIN_WINDOW, control) for control in MAIN_WINDOW.controls
                                if control.frame is frame)
          for frame in MAIN_WINDOW.of_kind("frame")}
CHECKED_AT_START = {accessible(MAIN_WINDOW, control) for control in MAIN_WINDOW.controls if control.checked}
SHORTCUTS = {button.caption: button.shortcut for button in MAIN_WINDOW.of_kind("push button")}
MENU = MAIN_WINDOW.menu["text"], [entry["text"] for entry in MAIN_WINDOW.menu["entries"]]
ADVERTS_OFF, GREEN, YELLOW = (MAIN_WINDOW[name].caption for name in ("Check1", "Option2", "Option1"))
ABOUT_BUTTONS = {button.caption: button.shortcut for button in ABOUT_WINDOW.of_kind("push button")}
# Undo, Redo, Cut, Copy, Paste, Delete, Select All, as qtbase_fi.qm has them.
FINNISH_CONTEXT_MENU = ["Kumoa", "Tee uudelleen", "Leikkaa", "Kopioi", "Liitä", "Poista",
                        "Valitse kaikki"]


def outside():
    with desktop(prefix="vp-a11y-") as (work, env):
        return rerun_inside_session_bus(env, timeout=120)


def inside(check, program):
    import pyatspi
    from harness.atspi import (ACCESSIBLE, act, bindings, centre, children, is_checked, key, main_window, start_bus,
                               walk)

    def check_picture(every, what):
        images = [n for n in every if n.getRoleName() == "image"]
        check(len(images) == 1, f"one image in the window, {what}", [key(n) for n in images])
        for image in images:
            check(image.name != "" and len(image.description) >= 40 and image.description != image.name,
                  f"{what} has a name and a description of the picture",
                  f"name {image.name!r}, description {image.description!r}")

    def read_context_menu(field):
        from gi.repository import GLib

        items = []

        def on_showing(event):
            menu = event.source
            if menu is not None and menu.getRoleName() == "popup menu" and event.detail1 == 1:
                items.extend(c.name for c in children(menu) if c.getRoleName() == "menu item")
                pyatspi.Registry.stop()

        def right_click():
            subprocess.run(["xdotool", "mousemove", *centre(field), "click", "3"], check=True)
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
            raise TestFailure("no context menu showed over the delay field within 10 s")
        return items

    def read_about_window(application, about):
        every = list(walk(about))
        frames = [n.name for n in every if n.getRoleName() == "panel"]
        expected_frames = [frame.caption for frame in ABOUT_WINDOW.of_kind("frame")]
        check(frames == expected_frames, f"the About window's frames are {expected_frames}", frames)
        labels = sorted(n.name for n in every if n.getRoleName() == "label")
        expected_labels = sorted(label.caption for label in ABOUT_WINDOW.of_kind("label"))
        check(labels == expected_labels, f"the About window's labels read {expected_labels}", labels)
        buttons = {n.name: n for n in every if n.getRoleName() == "push button"}
        check(sorted(buttons) == sorted(ABOUT_BUTTONS), f"the About window's buttons are {sorted(ABOUT_BUTTONS)}",
              sorted(buttons))
        for name, shortcut in ABOUT_BUTTONS.items():
            if shortcut and name in buttons:
                check(shortcut in bindings(buttons[name]), f"About button '{name}' binds {shortcut}",
                      bindings(buttons[name]))
        check_picture(every, "the portrait")
        # Labels inside a frame are read as its labels, never as the window opens: its description carries them.
        credits = ". ".join(ABOUT_WINDOW[name].caption for name in ("Label3", "Label1", "Label2", "Label4"))
        check(about.description == credits, "the About window describes itself by its labels", about.description)
        # The closing button, pressed the way an assistive tool presses it.
        closing = next((name for name, shortcut in ABOUT_BUTTONS.items() if shortcut), None)
        if closing in buttons:
            act(buttons[closing], "Press")
            wait_for("the About window to close",
                     lambda: all(n.name != ABOUT_WINDOW.title for n in children(application)), 10)

    desktop_node = start_bus()
    env = dict(os.environ, **ACCESSIBLE, LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8", LANGUAGE="en_US:en")
    process = subprocess.Popen([program], env=env)
    try:
        application, window = main_window(desktop_node, process)

        # The controls, frame by frame.
        every = list(walk(window))
        panels = {n.name: n for n in every if n.getRoleName() == "panel"}
        check(sorted(panels) == sorted(FRAMES), f"the frames are {sorted(FRAMES)}", sorted(panels))
        controls = {}
        for caption, expected in FRAMES.items():
            held = children(panels[caption]) if caption in panels else []
            check(sorted(map(key, held)) == expected, f"frame '{caption}' holds {expected}", sorted(map(key, held)))
            controls.update((key(child), child) for child in held)

        # Nothing in the window goes unnamed except the containers themselves.
        unnamed = [node.getRoleName() for node in every if node.name == ""
                   and node.getRoleName() not in ("filler", "menu bar", "popup menu", "frame")]
        check(not unnamed, "every control has a name", unnamed)

        for (role, name), node in controls.items():
            if role in ("check box", "radio button"):
                expected = (role, name) in CHECKED_AT_START
                check(is_checked(node) == expected, f"{role} '{name}' is {'' if expected else 'not '}checked at start")
        for name, shortcut in SHORTCUTS.items():
            node = controls.get(("push button", name))
            check(node is not None and shortcut in bindings(node), f"push button '{name}' binds {shortcut}",
                  node and bindings(node))

        # The delay field: named by its caption, editable, holding its first value.
        delay = MAIN_WINDOW["TxtViive"]
        field = controls.get(accessible(MAIN_WINDOW, delay))
        check(field is not None and field.getState().contains(pyatspi.STATE_EDITABLE)
              and field.queryText().getText(0, -1) == delay.text,
              f"the delay field is editable and reads {delay.text!r}",
              field and field.queryText().getText(0, -1))
        check_picture(every, "the banner")

        bars = [n for n in children(window) if n.getRoleName() == "menu bar"]
        check(len(bars) == 1, "one menu bar", len(bars))
        titles = [key(n) for n in children(bars[0])] if bars else []
        check(titles == [("menu item", MENU[0])], f"the menu bar holds '{MENU[0]}'", titles)
        entries = [n.name for n in walk(bars[0]) if n.getRoleName() == "menu item"][1:] if bars else []
        check(entries == MENU[1], f"menu '{MENU[0]}' holds {MENU[1]}", entries)

        # States follow the live window: tick a box and pick a colour as an
        # assistive tool does (no Apply, so nothing else happens).
        adverts_off = controls[("check box", ADVERTS_OFF)]
        act(adverts_off, "Toggle")
        wait_for(f"'{ADVERTS_OFF}' to read ticked", lambda: is_checked(adverts_off), 5)
        act(adverts_off, "Toggle")
        wait_for(f"'{ADVERTS_OFF}' to read unticked", lambda: not is_checked(adverts_off), 5)
        green, yellow = controls[("radio button", GREEN)], controls[("radio button", YELLOW)]
        act(green, "Toggle")
        wait_for(f"'{GREEN}' to read selected", lambda: is_checked(green), 5)
        check(not is_checked(yellow), f"'{YELLOW}' no longer reads selected once '{GREEN}' is chosen")

        # Right-click the delay field: its context menu reads Finnish. A popup
        # is not a child of the application; a screen reader learns of it from
        # the event that it is showing.
        shown = [item.split("\t")[0] for item in read_context_menu(field)]
        check(shown == FINNISH_CONTEXT_MENU, f"the delay field's context menu reads {FINNISH_CONTEXT_MENU}", shown)
        subprocess.run(["xdotool", "key", "Escape"], check=True)

        # The About window, opened from the menu as a user opens it (an
        # assistive tool's "Press" would wait for the modal window to close).
        menu_title = next(n for n in walk(bars[0]) if key(n) == ("menu item", MENU[0]))
        subprocess.run(["xdotool", "mousemove", *centre(menu_title), "click", "1"], check=True)
        time.sleep(0.3)
        subprocess.run(["xdotool", "key", "Down", "Return"], check=True)
        about = wait_for(f"a window named '{ABOUT_WINDOW.title}'",
                         lambda: next((n for n in children(application) if n.name == ABOUT_WINDOW.title), None), 10)
        read_about_window(application, about)
    finally:
        stop(process, grace=10)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        run_checks("a11y", lambda check: inside(check, sys.argv[2]))
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(outside())
