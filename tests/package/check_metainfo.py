#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The AppStream metainfo passes `appstreamcli validate --pedantic --no-net`
and agrees with the rest of the project: it names the desktop entry it is
installed with, its newest release is the program's version, its releases
are the changelog's entries with the same notes, and every screenshot it
shows is a PNG in docs/."""

import argparse
import email.utils
import os
import re
import struct
import subprocess
import sys
import urllib.parse
import xml.etree.ElementTree as ET


def changelog_entries(path):
    """[(version, YYYY-MM-DD, [note, ...]), ...] from a Debian changelog, newest first."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if header := re.match(r"\S+ \((\S+)\) ", line):
                entries.append([header.group(1), None, []])
            elif line.startswith("  * "):
                entries[-1][2].append(line[4:].strip())
            elif line.startswith("    ") and entries and entries[-1][2]:
                entries[-1][2][-1] += " " + line.strip()
            elif trailer := re.match(r" -- .*>  (.*)$", line):
                entries[-1][1] = email.utils.parsedate_to_datetime(trailer.group(1)).strftime("%Y-%m-%d")
    return [tuple(entry) for entry in entries]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--metainfo", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--screenshots", required=True, help="the docs/ folder")
    parser.add_argument("--changelog", required=True, help="the project's Debian changelog")
    args = parser.parse_args()
    failures = []

    validation = subprocess.run(["appstreamcli", "validate", "--pedantic", "--no-net", "--explain", args.metainfo],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print(validation.stdout)
    if validation.returncode != 0:
        failures.append(f"appstreamcli validate exited with {validation.returncode}")

    root = ET.parse(args.metainfo).getroot()
    if root.findtext("id") != args.app_id:
        failures.append(f"component id {root.findtext('id')!r}, expected {args.app_id!r}")
    launchables = [l.text for l in root.findall("launchable[@type='desktop-id']")]
    if launchables != [args.app_id + ".desktop"]:
        failures.append(f"desktop-id launchables {launchables}, expected the installed entry {args.app_id}.desktop")
    releases = [(r.get("version"), r.get("date"),
                 [" ".join(li.text.split()) for li in r.findall("description/ul/li") if li.get(LANG) is None])
                for r in root.findall("releases/release")]
    if not releases or releases[0][0] != args.version:
        failures.append(f"the newest release is not {args.version}: {[r[0] for r in releases]}")
    changelog = changelog_entries(args.changelog)
    if not changelog or changelog[0][0] != args.version:
        failures.append(f"the changelog's newest entry is not {args.version}")
    if releases != changelog:
        failures.append(f"the releases differ from the changelog's entries:\n  {releases}\n  {changelog}")

    screenshots = root.findall("screenshots/screenshot")
    defaults = [s for s in screenshots if s.get("type") == "default"]
    if len(defaults) != 1:
        failures.append(f"{len(defaults)} default screenshots, expected one")
    referenced = []
    for shot in screenshots:
        if not shot.findall("caption"):
            failures.append("a screenshot without a caption")
        for image in shot.findall("image"):
            url = urllib.parse.urlparse(image.text.strip())
            if url.scheme != "https":
                failures.append(f"screenshot {image.text!r} is not an https address")
            name = os.path.basename(url.path)
            referenced.append(name)
            path = os.path.join(args.screenshots, name)
            if not os.path.isfile(path):
                failures.append(f"screenshot {name} is not in {args.screenshots}")
            elif png_size(path) is None:
                failures.append(f"{path} is not a PNG")
    if len(set(referenced)) != len(referenced):
        failures.append(f"a screenshot is listed twice: {referenced}")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"PASS: {args.metainfo}, {len(referenced)} screenshots")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
