# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A running program read and worked through AT-SPI, as a screen reader does
it. The calls work inside the private session bus that
harness.display.rerun_inside_session_bus gives, where the accessibility bus
starts on demand."""

import pyatspi

from harness.checks import TestFailure, wait_for
from harness.facts import MAIN_WINDOW

# The environment a program needs to join the accessibility bus on a bare
# X server, where no desktop asks for it.
ACCESSIBLE = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


# The AT-SPI role of each kind of control.
ROLES = {"push button": "push button", "label": "label", "radio button": "radio button",
         "check box": "check box", "text box": "text", "picture box": "image", "frame": "panel"}


def accessible(window, control):
    """(role, name) as a screen reader reads a control of the facts'
    `window` (harness.facts) at its start."""
    named_by = window[control.named_by] if control.named_by else control
    return ROLES[control.kind], named_by.caption


def start_bus():
    """The desktop's root node; asking for it starts the accessibility bus,
    which a program must find when it starts."""
    return pyatspi.Registry.getDesktop(0)


def children(node):
    return [child for child in node if child is not None]


def walk(node):
    yield node
    for child in children(node):
        yield from walk(child)


def key(node):
    """(role, name), as a screen reader reads a control."""
    return node.getRoleName(), node.name


def is_checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def bindings(node):
    action = node.queryAction()
    return [action.getKeyBinding(i) for i in range(action.nActions)]


def action_index(node, name):
    """The number of the node's action called `name` ("Press", "Toggle")."""
    action = node.queryAction()
    return [action.getName(i) for i in range(action.nActions)].index(name)


def act(node, name):
    """Does the action called `name`: a D-Bus call that reaches the control
    directly, with no input event on the way."""
    node.queryAction().doAction(action_index(node, name))


def centre(node):
    """The node's middle on the screen, as xdotool takes it."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return str(extents.x + extents.width // 2), str(extents.y + extents.height // 2)


def main_window(desktop_node, process):
    """(application, main window) of a started program, once it shows on the
    accessibility bus."""
    application = wait_for(
        "the program on the accessibility bus",
        lambda: next((app for app in children(desktop_node) if app.get_process_id() == process.pid), None))
    window = wait_for(
        f"a frame named '{MAIN_WINDOW.title}'",
        lambda: next((n for n in children(application)
                      if n.getRoleName() == "frame" and n.name == MAIN_WINDOW.title), None))
    return application, window


def framed_controls(window_node, window=MAIN_WINDOW):
    """{name in the facts: node} for every control in a frame, each frame's
    children matched in order with its controls in the facts (labels are
    named by their changing texts, so only the order tells which is which).
    Read at the window's start; a TestFailure when they do not match."""
    panels = {node.name: node for node in walk(window_node) if node.getRoleName() == "panel"}
    found = {}
    for frame in window.of_kind("frame"):
        facts = [control for control in window.controls if control.frame is frame]
        nodes = children(panels[frame.caption]) if frame.caption in panels else []
        expected, got = [accessible(window, control) for control in facts], [key(node) for node in nodes]
        if expected != got:
            raise TestFailure(f"frame '{frame.caption}' reads {got}, not {expected}")
        found.update(zip((control.name for control in facts), nodes))
    return found
