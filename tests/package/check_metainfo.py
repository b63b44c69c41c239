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
import urllib.parse
import xml.etree.ElementTree as ET

from harness.checks import run_checks


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
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def agrees_with_the_project(check, args):
    validation = subprocess.run(["appstreamcli", "validate", "--pedantic", "--no-net", "--explain", args.metainfo],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check(validation.returncode == 0, "appstreamcli validate --pedantic --no-net passes", validation.stdout)

    root = ET.parse(args.metainfo).getroot()
    check(root.findtext("id") == args.app_id, f"the component id is {args.app_id}", root.findtext("id"))
    launchables = [launchable.text for launchable in root.findall("launchable[@type='desktop-id']")]
    check(launchables == [args.app_id + ".desktop"], f"it launches the installed entry {args.app_id}.desktop",
          launchables)
    releases = [(r.get("version"), r.get("date"),
                 [" ".join(li.text.split()) for li in r.findall("description/ul/li") if li.get(LANG) is None])
                for r in root.findall("releases/release")]
    check(releases[:1] and releases[0][0] == args.version, f"the newest release is {args.version}",
          [r[0] for r in releases])
    changelog = changelog_entries(args.changelog)
    check(changelog[:1] and changelog[0][0] == args.version, f"the changelog's newest entry is {args.version}")
    check(releases == changelog, "the releases are the changelog's entries, with the same dates and notes",
          [releases, changelog])

    screenshots = root.findall("screenshots/screenshot")
    defaults = [shot for shot in screenshots if shot.get("type") == "default"]
    check(len(defaults) == 1, "one default screenshot", len(defaults))
    check(all(shot.findall("caption") for shot in screenshots), "every screenshot has a caption")
    addresses = [urllib.parse.urlparse(image.text.strip()) for image in root.findall("screenshots/screenshot/image")]
    names = [os.path.basename(address.path) for address in addresses]
    check(all(address.scheme == "https" for address in addresses), "every screenshot is an https address",
          [address.geturl() for address in addresses])
    not_png = [name for name in names if png_size(os.path.join(args.screenshots, name)) is None]
    check(names and not not_png, f"every screenshot is a PNG in {args.screenshots}", not_png)
    check(len(set(names)) == len(names), "no screenshot is listed twice", names)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--metainfo", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--screenshots", required=True, help="the docs/ folder")
    parser.add_argument("--changelog", required=True, help="the project's Debian changelog")
    arguments = parser.parse_args()
    run_checks("metainfo", lambda check: agrees_with_the_project(check, arguments))
