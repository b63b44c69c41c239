# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop guest's disk: a Debian 12 system made with mmdebstrap from the
archive, with systemd, udev, D-Bus, logind, polkit and UDisks2 as a desktop
has them, the seat user logged in on tty1 and the test agents, packed into an
ext4 image with mke2fs -d (no loop mount, no root filesystem tools beyond
e2fsprogs).

Building it costs minutes, so the image is kept in a cache folder under a key
made of everything it is built from: the package list, the files laid into
it, and the date of the archive's release file that the machine's apt last
fetched. A run with the same key reuses the image untouched (it is booted
through a copy-on-write overlay); a new key builds a new image and removes the
older ones.
"""

import hashlib
import os
import shutil
import subprocess
import time

from harness.checks import TestFailure, log

# What a desktop system has for removable media, and nothing of ours: systemd
# as init, udev, the system bus, logind (libpam-systemd), polkit and UDisks2;
# acl for getfacl, kmod for the module tools udev calls.
PACKAGES = ["systemd-sysv", "udev", "dbus", "libpam-systemd", "polkitd", "udisks2", "acl", "kmod"]
SUITE = "bookworm"
SOURCES = "/etc/apt/sources.list.d/debian.sources"
RELEASE_FILE_GLOB = "_dists_bookworm_InRelease"

# The seat user, logged in on tty1; another ordinary user who has no session.
# Neither is in the cdrom group.
SEAT_USER = "tester"
OTHER_USER = "visitor"
USERS = {SEAT_USER: 1000, OTHER_USER: 1001}

# Where the second disk, with our package and its dependencies, is mounted.
PAYLOAD_LABEL = "VPPAYLOAD"
PAYLOAD_MOUNT = "/srv/payload"
REPOSITORY = PAYLOAD_MOUNT + "/repo"

HERE = os.path.dirname(os.path.abspath(__file__))
GUEST_FILES = os.path.join(HERE, "guest")
# File in guest/ -> where it goes in the image, and its mode.
LAID_FILES = {
    "vp-agent": ("usr/local/lib/vp/vp-agent", 0o755),
    "vp-agent-root.service": ("etc/systemd/system/vp-agent-root.service", 0o644),
    "autologin.conf": ("etc/systemd/system/getty@tty1.service.d/autologin.conf", 0o644),
    "bash_profile": (f"home/{SEAT_USER}/.bash_profile", 0o644),
    "60-vp-agent.rules": ("etc/udev/rules.d/60-vp-agent.rules", 0o644),
}
TEXT_FILES = {
    "etc/hostname": "vp-desktop\n",
    "etc/fstab": f"/dev/vda / ext4 rw,errors=remount-ro 0 0\n"
                 f"LABEL={PAYLOAD_LABEL} {PAYLOAD_MOUNT} ext4 ro,nofail 0 0\n",
    # No network in the guest: apt knows only the folder on the second disk.
    "etc/apt/sources.list.d/vp-payload.list": f"deb [trusted=yes] file:{REPOSITORY} ./\n",
}
# Timers that would only compete with the test for the emulated processor.
MASKED_UNITS = ["apt-daily.timer", "apt-daily-upgrade.timer", "e2scrub_all.timer", "fstrim.timer",
                "dpkg-db-backup.timer", "systemd-tmpfiles-clean.timer"]
IMAGE_SIZE = "3G"  # sparse: the apt installs in the guest need the room, the file does not


def release_date():
    """The Date: of the archive's release file as apt last fetched it; the
    image is rebuilt when the archive has a new point release."""
    lists = "/var/lib/apt/lists"
    for name in sorted(os.listdir(lists)) if os.path.isdir(lists) else []:
        if name.endswith(RELEASE_FILE_GLOB):
            with open(os.path.join(lists, name), errors="replace") as release:
                for line in release:
                    if line.startswith("Date:"):
                        return line.split(":", 1)[1].strip()
    return "unknown (no apt lists)"


def image_key():
    digest = hashlib.sha256()
    digest.update(" ".join([SUITE] + PACKAGES + MASKED_UNITS).encode())
    digest.update(release_date().encode())
    digest.update(repr(sorted(TEXT_FILES.items())).encode())
    digest.update(repr(sorted(USERS.items())).encode())
    for name in sorted(LAID_FILES):
        with open(os.path.join(GUEST_FILES, name), "rb") as laid:
            digest.update(name.encode() + b"\0" + laid.read())
    with open(__file__, "rb") as builder:
        digest.update(builder.read())
    return digest.hexdigest()[:16]


def cache_root():
    """Beside the Windows Qt build: a clean clone's build tree starts empty,
    and the image must outlive it for a warm run to stay short."""
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "vorkula-ponkka", "desktop-guest")


class GuestImage:
    """The built image: `path` (raw ext4, never written to), `status` (the
    guest's dpkg status file, to work out what our package still needs),
    `size` (bytes the image takes on disk) and `built` (seconds spent making
    it in this run, 0 when it came from the cache)."""

    def __init__(self, directory, built):
        self.directory = directory
        self.path = os.path.join(directory, "root.ext4")
        self.status = os.path.join(directory, "dpkg-status")
        self.size = os.stat(self.path).st_blocks * 512
        self.built = built
        with open(os.path.join(directory, "packages")) as listing:
            self.packages = listing.read().split()


def guest_image():
    """Answers the cached image, building it first when there is none for
    today's key. Needs root: the tree belongs to root and to the users."""
    key = image_key()
    root = cache_root()
    directory = os.path.join(root, key)
    if os.path.exists(os.path.join(directory, "done")):
        log(f"desktop guest image: cached ({directory})")
        return GuestImage(directory, 0)
    if os.geteuid() != 0:
        raise TestFailure("building the desktop guest's image takes root (mmdebstrap, chroot)")
    for tool in ("mmdebstrap", "mke2fs", "chroot"):
        if not shutil.which(tool):
            raise TestFailure(f"{tool} is not installed (scripts/install-deps.sh vm)")
    started = time.monotonic()
    os.makedirs(root, exist_ok=True)
    for old in os.listdir(root):
        shutil.rmtree(os.path.join(root, old), ignore_errors=True)
    os.makedirs(directory)
    tree = os.path.join(directory, "tree")
    log(f"desktop guest image: building {key} with mmdebstrap ({', '.join(PACKAGES)})")
    try:
        command = ["mmdebstrap", "--variant=minbase", "--include=" + ",".join(PACKAGES), "--quiet",
                   SUITE, tree, SOURCES]
        result = subprocess.run(command, text=True, capture_output=True,
                                env=dict(os.environ, TMPDIR=directory))
        if result.returncode != 0:
            raise TestFailure(f"mmdebstrap failed ({result.returncode}): {result.stderr[-3000:]}")
        customise(tree)
        shutil.copy(os.path.join(tree, "var/lib/dpkg/status"), os.path.join(directory, "dpkg-status"))
        with open(os.path.join(directory, "packages"), "w") as listing:
            listing.write(installed_packages(tree))
        result = subprocess.run(["mke2fs", "-q", "-t", "ext4", "-L", "vproot", "-d", tree,
                                 os.path.join(directory, "root.ext4"), IMAGE_SIZE],
                                text=True, capture_output=True)
        if result.returncode != 0:
            raise TestFailure(f"mke2fs -d failed: {result.stderr}")
    except BaseException:
        shutil.rmtree(directory, ignore_errors=True)
        raise
    shutil.rmtree(tree)
    open(os.path.join(directory, "done"), "w").close()
    image = GuestImage(directory, time.monotonic() - started)
    log(f"desktop guest image: built in {image.built:.0f} s, {image.size / 1e6:.0f} MB on disk")
    return image


def installed_packages(tree):
    result = subprocess.run(["dpkg-query", "--admindir", os.path.join(tree, "var/lib/dpkg"), "-W",
                             "-f", "${Package}=${Version}\n"], text=True, capture_output=True, check=True)
    return result.stdout


def customise(tree):
    """The users, the agents, autologin and the local package source."""
    for name, uid in USERS.items():
        subprocess.run(["chroot", tree, "useradd", "--create-home", "--shell", "/bin/bash",
                        "--uid", str(uid), "--user-group", name], check=True)
    for name, (target, mode) in LAID_FILES.items():
        path = os.path.join(tree, target)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(os.path.join(GUEST_FILES, name), path)
        os.chmod(path, mode)
    profile = os.path.join(tree, "home", SEAT_USER, ".bash_profile")
    os.chown(profile, USERS[SEAT_USER], USERS[SEAT_USER])
    sources = os.path.join(tree, "etc/apt/sources.list.d")
    for name in os.listdir(sources):
        os.remove(os.path.join(sources, name))
    if os.path.exists(os.path.join(tree, "etc/apt/sources.list")):
        os.remove(os.path.join(tree, "etc/apt/sources.list"))
    for target, text in TEXT_FILES.items():
        path = os.path.join(tree, target)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)
    os.makedirs(os.path.join(tree, PAYLOAD_MOUNT.lstrip("/")), exist_ok=True)
    wants = os.path.join(tree, "etc/systemd/system/multi-user.target.wants")
    os.makedirs(wants, exist_ok=True)
    os.symlink("/etc/systemd/system/vp-agent-root.service", os.path.join(wants, "vp-agent-root.service"))
    for unit in MASKED_UNITS:
        os.symlink("/dev/null", os.path.join(tree, "etc/systemd/system", unit))
