# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program's fixed facts (its windows' titles, texts, controls and their
places, its drive commands, the two lines of a usage error in each language), read from tests/support/facts.json,
which every harness shares.

For shell scripts, `python3 -m harness.facts WINDOW WHAT` prints a window's
(main_window, about_window) title, its client area's size in logical pixels
(WHAT = client), or a control's centre in logical pixels from the client
area's top left corner (WHAT = the control's name); with no arguments, the
application's title, which message boxes have.
"""

import json
import os
import sys

TWIPS_PER_PIXEL = 15

with open(os.path.join(os.path.dirname(__file__), "..", "facts.json"), encoding="utf-8") as _file:
    FACTS = json.load(_file)

APPLICATION_TITLE = FACTS["application_title"]
MESSAGES = FACTS["messages"]
OPEN, CLOSE = FACTS["drive_commands"]["open"], FACTS["drive_commands"]["close"]
USAGE = FACTS["command_line"]["usage"]


class Control:
    def __init__(self, fact, frame=None, offset=(0, 0)):
        self.name, self.kind, self.frame = fact["name"], fact["kind"], frame
        self.text = fact.get("text")
        self.checked = fact.get("checked", False)
        self.named_by = fact.get("named_by")
        left, top, self.width, self.height = fact["geometry"]
        # Twips from the client area's top left corner.
        self.left, self.top = offset[0] + left, offset[1] + top

    @property
    def caption(self):
        """The text as it shows, without its mnemonic marker."""
        return None if self.text is None else self.text.replace("&", "")

    @property
    def shortcut(self):
        """"Alt+A" for "&Avaa"; None without a mnemonic."""
        if self.text is None or "&" not in self.text:
            return None
        return "Alt+" + self.text[self.text.index("&") + 1].upper()

    @property
    def centre(self):
        """The middle of the control in logical pixels, client area coordinates."""
        return ((self.left + self.width // 2) // TWIPS_PER_PIXEL,
                (self.top + self.height // 2) // TWIPS_PER_PIXEL)


class Window:
    def __init__(self, key):
        fact = FACTS[key]
        self.title = fact["title"]
        self.background = fact["background"]
        self.client = tuple(size // TWIPS_PER_PIXEL for size in fact["client"])
        self.menu = fact.get("menu")
        self.controls = []

        def add(facts, frame, offset):
            for control_fact in facts:
                control = Control(control_fact, frame, offset)
                self.controls.append(control)
                add(control_fact.get("controls", []), control, (control.left, control.top))
        add(fact["controls"], None, (0, 0))

    def __getitem__(self, name):
        return next(control for control in self.controls if control.name == name)

    def of_kind(self, kind, frame=None):
        return [control for control in self.controls
                if control.kind == kind and (frame is None or control.frame is frame)]


MAIN_WINDOW = Window("main_window")
ABOUT_WINDOW = Window("about_window")

if __name__ == "__main__":
    if len(sys.argv) == 1:
        print(APPLICATION_TITLE)
    elif len(sys.argv) == 3 and sys.argv[1] in ("main_window", "about_window"):
        window, what = Window(sys.argv[1]), sys.argv[2]
        print(window.title if what == "title" else " ".join(map(str, window.client if what == "client"
                                                                  else window[what].centre)))
    else:
        sys.exit(__doc__)
