#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Rewrites what cpack made so that nothing of the machine or the user that
made it is left in it. CMake 3.25's archive writer dates everything
SOURCE_DATE_EPOCH but leaves the rest to the builder:

- a .deb's three ar members take the modes of the files cpack wrote, which
  follow the builder's umask: they get 0644, as dpkg-deb gives them;
- a zip holds its members in the order the file system lists them (which
  differs from one file system to the next), dated in the builder's local
  time, with the builder's user and group ids in an extra field: it is
  rewritten in name order, dated SOURCE_DATE_EPOCH in UTC, with each
  member's Unix mode and no extra fields.

Usage: normalise_package.py EPOCH PACKAGE..."""
import os
import sys
import time
import zipfile

AR_MAGIC = b"!<arch>\n"
AR_HEADER = 60  # name 16, time 12, owner 6, group 6, mode 8, size 10, end 2


def normalise_deb(path):
    with open(path, "r+b") as deb:
        if deb.read(len(AR_MAGIC)) != AR_MAGIC:
            sys.exit(f"{path} is not an ar archive")
        while header := deb.read(AR_HEADER):
            if len(header) != AR_HEADER or header[58:] != b"`\n":
                sys.exit(f"{path}: a broken ar member header at {deb.tell() - len(header)}")
            deb.seek(40 - AR_HEADER, os.SEEK_CUR)
            deb.write(b"100644  ")
            size = int(header[48:58])
            deb.seek(AR_HEADER - 48 + size + size % 2, os.SEEK_CUR)


def normalise_zip(path, epoch):
    date_time = time.gmtime(epoch)[:6]
    temporary = path + ".normalising"
    try:
        with zipfile.ZipFile(path) as original, zipfile.ZipFile(temporary, "w") as result:
            for member in sorted(original.infolist(), key=lambda m: m.filename):
                info = zipfile.ZipInfo(member.filename, date_time)
                info.create_system = 3  # Unix: the mode in external_attr counts
                info.external_attr = member.external_attr
                info.compress_type = member.compress_type
                result.writestr(info, original.read(member))
        os.replace(temporary, path)
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)


def main(argv):
    if len(argv) < 3 or not argv[1].isdigit():
        sys.exit(__doc__.rsplit("\n", 1)[-1])
    for path in argv[2:]:
        if path.endswith(".deb"):
            normalise_deb(path)
        elif path.endswith(".zip"):
            normalise_zip(path, int(argv[1]))
        else:
            sys.exit(f"{path}: neither a .deb nor a zip")


if __name__ == "__main__":
    main(sys.argv)
