#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Gives every file of the repository that can carry one an SPDX header, the
two lines of this file's own header (the AppStream metadata: CC0-1.0), in the
file's own comment syntax, as its first lines (after a "#!" line or an XML
declaration). Files that already name a licence are left alone, so the
script can run again at any time, for instance after merging work that
brought new files. Files that cannot carry a comment (pictures, the fuzz
corpus, JSON, Debian's changelog and copyright) are covered by .reuse/dep5.
Only files that git knows are looked at; untracked files are not.

Usage: scripts/add-spdx-headers.py [--check]
  --check  change nothing; list the files that lack a header and exit 1 if any do
Afterwards `reuse lint` (Debian package reuse) checks the whole repository.
"""

import pathlib
import subprocess
import sys

# The tags are put together here so that reuse does not read them as this
# file's own.
COPYRIGHT = "SPDX-" "FileCopyrightText: 2026 Vorkula Ponkka developers"
LICENCE_TAG = "SPDX-" "License-Identifier:"
LICENCE = LICENCE_TAG + " {}"
# Licence by path suffix; everything else is the program's licence.
OTHER_LICENCES = {".metainfo.xml.in": "CC0-1.0"}

LINE_COMMENT = {"//": (".cpp", ".h"),
                "#": (".sh", ".py", ".cmake", ".txt", ".supp", ".dict", ".in", ".gitignore")}
XML = (".ui", ".svg", ".xml", ".xml.in", ".qrc")
COMMENT_BY_NAME = {".ci/run": "#"}
# Named by .reuse/dep5, or licence texts that reuse itself recognises.
NOT_HERE = ("LICENSE", "LICENSES/", ".reuse/", "tests/fuzz/corpus/", "packaging/debian/")
NOT_HERE_SUFFIXES = (".png", ".jpg", ".jpeg", ".json", ".ttf", ".ts")


def header_lines(path, licence):
    name = path.as_posix()
    if name.endswith(XML):
        return [f"<!-- {COPYRIGHT} -->", f"<!-- {LICENCE.format(licence)} -->"]
    if name.endswith(".md"):
        return [f"<!-- {COPYRIGHT} -->", f"<!-- {LICENCE.format(licence)} -->", ""]
    if name.endswith(".1"):
        return [f'.\\" {COPYRIGHT}', f'.\\" {LICENCE.format(licence)}']
    marker = COMMENT_BY_NAME.get(name)
    for comment, suffixes in LINE_COMMENT.items():
        if name.endswith(suffixes):
            marker = comment
    if marker is None:
        return None
    return [f"{marker} {COPYRIGHT}", f"{marker} {LICENCE.format(licence)}"]


def main():
    check = sys.argv[1:] == ["--check"]
    root = pathlib.Path(subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True,
                                       check=True).stdout.strip())
    files = subprocess.run(["git", "ls-files", "-z"], cwd=root, capture_output=True, text=True,
                           check=True).stdout.split("\0")
    lacking, unknown = [], []
    for name in filter(None, files):
        path = pathlib.Path(name)
        if name.startswith(NOT_HERE) or name.endswith(NOT_HERE_SUFFIXES) or not (root / path).is_file():
            continue
        text = (root / path).read_text(encoding="utf-8")
        if LICENCE_TAG in text:
            continue
        licence = next((l for suffix, l in OTHER_LICENCES.items() if name.endswith(suffix)), "GPL-3.0-or-later")
        header = header_lines(path, licence)
        if header is None:
            unknown.append(name)
            continue
        lacking.append(name)
        if check:
            continue
        lines = text.split("\n")
        # A "#!" line or an XML declaration must stay first.
        keep = 1 if lines and (lines[0].startswith("#!") or lines[0].startswith("<?xml")) else 0
        (root / path).write_text("\n".join(lines[:keep] + header + lines[keep:]), encoding="utf-8")
    for name in lacking:
        print(("lacks a header: " if check else "header added: ") + name)
    for name in unknown:
        print(f"no comment syntax known for {name}: give it a header by hand or name it in .reuse/dep5")
    return 1 if unknown or (check and lacking) else 0


if __name__ == "__main__":
    sys.exit(main())
