# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Initramfs archives: files staged in a folder, packed as cpio with zstd,
and archives laid one after another (the kernel unpacks each in turn)."""

import json
import os
import shutil
import struct
import subprocess

from harness.checks import TestFailure, log

# zstd packs the program's libraries (some 80 MB) in well under a second,
# and the guest's kernel unpacks it fastest.
COMPRESSION = ["zstd", "-q", "-3", "-T0"]


def init_script(modules, then):
    """An initramfs's /init for busybox: the kernel's own filesystems, the
    modules in the order given, then the shell lines `then`."""
    return ("#!/bin/busybox sh\n"
            "/bin/busybox mount -t devtmpfs devtmpfs /dev\n"
            "/bin/busybox mount -t proc proc /proc\n"
            "/bin/busybox mount -t sysfs sysfs /sys\n"
            f"for module in {' '.join(modules)}; do\n"
            '    /bin/busybox insmod /lib/modules/$module.ko || echo "initramfs: insmod $module failed"\n'
            "done\n" + then)


def is_static_elf(path):
    """True when the ELF file has no program interpreter (PT_INTERP)."""
    with open(path, "rb") as elf:
        data = elf.read(1 << 16)
    if data[:4] != b"\x7fELF" or data[4] != 2:
        return False
    header, = struct.unpack_from("<Q", data, 0x20)
    size, count = struct.unpack_from("<HH", data, 0x36)
    return all(struct.unpack_from("<I", data, header + index * size)[0] != 3 for index in range(count))


def stage(folder, files, setuid=()):
    """Copies files ({path in the guest: file on the host}) into a staging
    folder; the paths in `setuid` become setuid root."""
    for guest_path, source in files.items():
        target = os.path.join(folder, guest_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(source, target)
        os.chmod(target, 0o4755 if guest_path in setuid else 0o755 if os.access(source, os.X_OK) else 0o644)


def pack(folder, image, what):
    """Packs a staging folder into a compressed cpio archive, every file
    owned by root in the guest whoever builds it."""
    entries = []
    for directory, subdirectories, names in os.walk(folder):
        entries += [os.path.relpath(os.path.join(directory, name), folder) for name in sorted(subdirectories + names)]
    with open(image, "wb") as out:
        cpio = subprocess.Popen(["cpio", "-o", "-H", "newc", "--quiet", "-R", "0:0"], cwd=folder,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        packer = subprocess.Popen(COMPRESSION, stdin=cpio.stdout, stdout=out)
        cpio.stdout.close()
        cpio.communicate("\n".join(entries).encode() + b"\n")
        if cpio.wait() != 0 or packer.wait() != 0:
            raise TestFailure(f"packing {what} failed (cpio exit {cpio.returncode}, "
                              f"{COMPRESSION[0]} exit {packer.returncode})")
    unpacked = sum(os.lstat(os.path.join(folder, entry)).st_size for entry in entries)
    log(f"{what}: {len(entries)} entries, {unpacked / 1e6:.1f} MB, packed {os.path.getsize(image) / 1e6:.1f} MB")
    return image


def packed_files(image, files, what, setuid=()):
    """An archive of `files`, packed again only when one of them has changed
    (image + ".files" lists what it was packed from)."""
    listing = json.dumps(sorted((guest_path, source, os.stat(source).st_size, os.stat(source).st_mtime_ns)
                                for guest_path, source in files.items()), indent=0)
    stamp = image + ".files"
    if os.path.exists(image) and os.path.exists(stamp):
        with open(stamp) as packed:
            if packed.read() == listing:
                log(f"{what}: unchanged, {os.path.getsize(image) / 1e6:.1f} MB packed")
                return image
    folder = image + ".stage"
    shutil.rmtree(folder, ignore_errors=True)
    try:
        stage(folder, files, setuid)
        pack(folder, image, what)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    with open(stamp, "w") as out:
        out.write(listing)
    return image


def concatenate(image, parts):
    with open(image, "wb") as out:
        for part in parts:
            with open(part, "rb") as source:
                shutil.copyfileobj(source, out)
    return image
