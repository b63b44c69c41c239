#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that no layer of the program reaches past its neighbours.

Every project include names the folder it reaches into, so the include lines
of each layer tell whom it uses. Who may use whom:
app -> ui/main -> ui/about -> ui/toolkit -> runtime, and ui/main -> drive -> runtime.
runtime/ and drive/ are standard C++ and include nothing of Qt.

Usage: check_layers.py SOURCE_ROOT
"""

import pathlib
import re
import sys

MAY_USE = {
    "runtime": {"runtime"},
    "drive": {"drive", "runtime"},
    "ui/toolkit": {"ui/toolkit", "runtime"},
    "ui/about": {"ui/about", "ui/toolkit", "runtime"},
    "ui/main": {"ui/main", "ui/about", "ui/toolkit", "drive", "runtime"},
    "app": {"app", "ui/main", "ui/toolkit", "drive", "runtime"},
}
WITHOUT_QT = {"runtime", "drive"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)


def layer_of(include):
    for layer in sorted(MAY_USE, key=len, reverse=True):
        if include.startswith(layer + "/"):
            return layer
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    for layer, allowed in MAY_USE.items():
        for source in sorted((root / layer).glob("*.[ch]*")):
            for bracket, include in INCLUDE.findall(source.read_text(encoding="utf-8")):
                where = f"{source.relative_to(root)}: {include}"
                if bracket == "<":
                    if layer in WITHOUT_QT and re.match(r"Q[A-Za-z]*($|/)", include):
                        faults.append(f"{where}: Qt in a layer that must build without it")
                elif re.fullmatch(r"ui_\w+\.h", include):
                    continue  # the form a window's own folder generates
                elif layer_of(include) is None:
                    faults.append(f"{where}: does not name a layer's folder")
                elif layer_of(include) not in allowed:
                    faults.append(f"{where}: {layer} may not use {layer_of(include)}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} reaches past the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
