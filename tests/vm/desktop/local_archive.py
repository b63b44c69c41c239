# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Our .deb and everything apt needs to install it in the desktop guest,
which has no network: the packages its Depends and Recommends pull into the
guest's system, downloaded on this machine by apt itself (reading the guest's
dpkg status instead of this machine's), made into a folder apt reads
(dpkg-scanpackages), and put on a disk with mke2fs -d.

The download depends only on the guest's image and the package's
relationship fields, so it is kept under a key made of both, beside the
image."""

import hashlib
import os
import shutil
import subprocess

from harness.checks import TestFailure, log

# The fields that decide what apt installs with the package.
RELATIONS = ["Pre-Depends", "Depends", "Recommends", "Conflicts", "Breaks"]


def control_fields(deb, fields):
    result = subprocess.run(["dpkg-deb", "-f", deb] + fields, text=True, capture_output=True, check=True)
    values = dict.fromkeys(fields, "")
    name = None
    for line in result.stdout.splitlines():
        if line[:1].isspace() and name:
            values[name] += " " + line.strip()
        elif ":" in line:
            name, value = line.split(":", 1)
            values[name] = value.strip()
    return values


def dependency_key(image, deb):
    relations = control_fields(deb, RELATIONS)
    digest = hashlib.sha256(os.path.basename(image.directory).encode())
    digest.update(repr(sorted(relations.items())).encode())
    return digest.hexdigest()[:16], relations


def apt_options(image, archives):
    # apt works out what the guest lacks from the guest's own status file;
    # nothing of this machine's package state is read or changed.
    return ["-o", f"Dir::State::status={image.status}", "-o", f"Dir::Cache::archives={archives}",
            "-o", "Debug::NoLocking=1", "-o", "APT::Get::Download-Only=true", "-q", "-y"]


def dependency_folder(image, deb, key):
    """The downloaded packages (with Recommends), cached; answers the folder."""
    folder = os.path.join(image.directory, f"archive-{key}")
    if os.path.exists(os.path.join(folder, "Packages")):
        return folder
    for old in os.listdir(image.directory):
        if old.startswith("archive-"):
            shutil.rmtree(os.path.join(image.directory, old), ignore_errors=True)
    os.makedirs(os.path.join(folder, "partial"))
    command = ["apt-get"] + apt_options(image, folder) + ["install", os.path.abspath(deb)]
    result = subprocess.run(command, text=True, capture_output=True)
    if result.returncode != 0 and os.geteuid() == 0:
        # Stale package lists name versions the archive no longer has.
        log(f"apt-get could not fetch the package's dependencies ({result.stderr.strip()[-300:]}); "
            "running apt-get update")
        subprocess.run(["apt-get", "update", "-q"], check=True)
        result = subprocess.run(command, text=True, capture_output=True)
    if result.returncode != 0:
        shutil.rmtree(folder, ignore_errors=True)
        raise TestFailure(f"apt-get could not fetch the package's dependencies: {result.stderr.strip()}")
    shutil.rmtree(os.path.join(folder, "partial"))
    if os.path.exists(os.path.join(folder, "lock")):
        os.remove(os.path.join(folder, "lock"))
    packages = subprocess.run(["dpkg-scanpackages", "--multiversion", "."], cwd=folder, text=True,
                              capture_output=True, check=True).stdout
    with open(os.path.join(folder, "Packages.new"), "w") as out:
        out.write(packages)
    os.rename(os.path.join(folder, "Packages.new"), os.path.join(folder, "Packages"))
    count = sum(1 for name in os.listdir(folder) if name.endswith(".deb"))
    log(f"local archive: {count} packages downloaded for the guest")
    return folder


def payload_disk(work, deb, probe, archive, label):
    """An ext4 image holding the package folder (repo/), our .deb and the
    probe, for the guest to mount read-only."""
    stage = os.path.join(work, "payload")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    repo = os.path.join(stage, "repo")
    os.makedirs(repo)
    for name in os.listdir(archive):
        try:
            os.link(os.path.join(archive, name), os.path.join(repo, name))
        except OSError:
            shutil.copy(os.path.join(archive, name), os.path.join(repo, name))
    shutil.copy(deb, stage)
    shutil.copy(probe, os.path.join(stage, "vm_drive_probe"))
    size = sum(os.path.getsize(os.path.join(directory, name))
               for directory, _, names in os.walk(stage) for name in names)
    image = os.path.join(work, "payload.ext4")
    if os.path.exists(image):
        os.remove(image)
    megabytes = size // 1_000_000 + 64
    result = subprocess.run(["mke2fs", "-q", "-t", "ext4", "-L", label, "-d", stage, image, f"{megabytes}M"],
                            text=True, capture_output=True)
    shutil.rmtree(stage)
    if result.returncode != 0:
        raise TestFailure(f"mke2fs -d for the payload disk failed: {result.stderr}")
    return image
