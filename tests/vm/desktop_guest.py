# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop test's guest: a Debian 12 system made with mmdebstrap from the
archive, with systemd, udev, D-Bus, logind, polkit and UDisks2 as a desktop
has them, and nothing of ours. The seat user (not in the cdrom group) logs in
on tty1 at boot and its login runs the session half of the test's agent; the
root half is a system service on the virtio-serial port vp.agent
(desktop_guest/ holds both). The system is packed into an ext4 image with
mke2fs -d: no loop mount.

Debian's stock kernel boots it through a small initramfs that loads the
drivers (the image has no modules of that kernel) and hands over to systemd.
A second disk brings our .deb, the packages apt needs to install it (the
guest has no network) and the drive layer's probe.

Building the image costs minutes, so it is kept in a cache folder under a key
made of what it is built from: the package list, the files laid into it, and
the date of the archive's release file that this machine's apt last fetched.
A clean clone's build tree starts empty, so the cache lives beside the
Windows Qt build, in the user's cache folder; a new key removes the old
image. Test runs on one machine share it: one builds, under the cache's lock,
while the others wait."""

import hashlib
import inspect
import os
import shutil
import subprocess
import time

from harness import cache
from harness.checks import TestFailure, log
from harness.qemu import debian, initramfs

# What a desktop system has for removable media: systemd as init, udev, the
# system bus, logind (libpam-systemd), polkit and UDisks2; acl for getfacl.
PACKAGES = ["systemd-sysv", "udev", "dbus", "libpam-systemd", "polkitd", "udisks2", "acl", "kmod"]
SUITE = "bookworm"
SOURCES = "/etc/apt/sources.list.d/debian.sources"
RELEASE_FILE = f"_dists_{SUITE}_InRelease"

# The seat user, logged in on tty1, and another account with no session.
# Neither is in the cdrom group.
SEAT_USER = "tester"
OTHER_USER = "visitor"
USERS = {SEAT_USER: 1000, OTHER_USER: 1001}

PAYLOAD_LABEL = "VPPAYLOAD"
PAYLOAD = "/srv/payload"
PROBE = PAYLOAD + "/vm_drive_probe"
PROGRAM = "/usr/bin/vorkula-ponkka"

GUEST_FILES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "desktop_guest")
# File in desktop_guest/ -> where it goes in the image, and its mode.
LAID_FILES = {
    "vp-agent": ("usr/local/lib/vp/vp-agent", 0o755),
    "vp-session": ("usr/local/lib/vp/vp-session", 0o755),
    "vp-agent.service": ("etc/systemd/system/vp-agent.service", 0o644),
    "autologin.conf": ("etc/systemd/system/getty@tty1.service.d/autologin.conf", 0o644),
    "bash_profile": (f"home/{SEAT_USER}/.bash_profile", 0o644),
}
TEXT_FILES = {
    "etc/hostname": "vp-desktop\n",
    "etc/default/locale": "LANG=C.UTF-8\n",
    "etc/fstab": f"/dev/vda / ext4 rw,errors=remount-ro 0 0\nLABEL={PAYLOAD_LABEL} {PAYLOAD} ext4 ro,nofail 0 0\n",
    # No network in the guest: apt knows only the folder on the second disk.
    "etc/apt/sources.list.d/vp-payload.list": f"deb [trusted=yes] file:{PAYLOAD}/repo ./\n",
    # A guest under emulation, thrown away after the test: dpkg need not
    # sync each file it unpacks.
    "etc/dpkg/dpkg.cfg.d/unsafe-io": "force-unsafe-io\n",
}
# Timers that would only compete with the test for the emulated processor.
MASKED_UNITS = ["apt-daily.timer", "apt-daily-upgrade.timer", "e2scrub_all.timer", "fstrim.timer",
                "dpkg-db-backup.timer", "systemd-tmpfiles-clean.timer"]
IMAGE_SIZE = "3G"  # sparse: the guest's apt installs need the room, the file does not

# The root disk, the agent's port and the CD drive with its filesystems (the
# desktop mounts a disc with iocharset=utf8), loaded before systemd starts so
# that udev finds the devices bound already.
MODULES = ["virtio_pci", "virtio_blk", "virtio_console", "crc32c_generic", "ext4",
           "ata_piix", "sr_mod", "isofs", "nls_utf8"]
APPEND = "console=ttyS0 panic=-1 quiet"
INIT_TAIL = """for attempt in $(/bin/busybox seq 100); do
    [ -b /dev/vda ] && break
    /bin/busybox sleep 0.1
done
/bin/busybox mkdir -p /root
if ! /bin/busybox mount -t ext4 /dev/vda /root; then
    echo "initramfs: cannot mount the root disk"
    /bin/busybox poweroff -f
fi
for place in dev proc sys; do
    /bin/busybox mount -o move /$place /root/$place
done
exec /bin/busybox switch_root /root /sbin/init
"""


def release_date():
    """The archive's release date as apt last fetched it: the image follows
    the archive's point releases."""
    lists = "/var/lib/apt/lists"
    for name in sorted(os.listdir(lists)) if os.path.isdir(lists) else []:
        if name.endswith(RELEASE_FILE):
            with open(os.path.join(lists, name), errors="replace") as release:
                for line in release:
                    if line.startswith("Date:"):
                        return line.split(":", 1)[1].strip()
    return "unknown"


def image_key():
    digest = hashlib.sha256(repr((SUITE, PACKAGES, MASKED_UNITS, sorted(TEXT_FILES.items()), sorted(USERS.items()),
                                  release_date())).encode())
    for name in sorted(LAID_FILES):
        with open(os.path.join(GUEST_FILES, name), "rb") as laid:
            digest.update(name.encode() + b"\0" + laid.read())
    # How the tree is made and laid out, not the rest of this file.
    digest.update((inspect.getsource(build_image) + inspect.getsource(customise)).encode())
    return digest.hexdigest()[:16]


def cache_root():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "vorkula-ponkka", "desktop-guest")


class Image:
    """A built image in its cache folder: `path` (raw ext4), `status` (its
    dpkg status file), `size` (bytes on disk), `built` (seconds spent making
    it in this run; 0 when it came from the cache)."""

    def __init__(self, folder, built):
        self.folder = folder
        self.key = os.path.basename(folder)
        self.path = os.path.join(folder, "root.ext4")
        self.status = os.path.join(folder, "dpkg-status")
        self.size = os.stat(self.path).st_blocks * 512
        self.built = built


def image():
    """The cached image, built first when there is none for today's key.
    Needs root: the tree belongs to root and to the users. Call holding the
    cache's lock (harness.cache.locked(cache_root(), ...))."""
    folder = os.path.join(cache_root(), image_key())
    if os.path.isdir(folder):
        return Image(folder, 0)
    missing = [tool for tool in ("mmdebstrap", "mke2fs", "chroot") if not shutil.which(tool)]
    if missing:
        raise TestFailure(f"not installed: {' '.join(missing)} (scripts/install-deps.sh vm)")
    started = time.monotonic()
    for old in os.listdir(cache_root()):  # the images of earlier keys
        if old != ".lock":
            shutil.rmtree(os.path.join(cache_root(), old))
    cache.entry(folder, build_image)
    return Image(folder, time.monotonic() - started)


def build_image(folder):
    tree = os.path.join(folder, "tree")
    log(f"desktop image: building with mmdebstrap ({', '.join(PACKAGES)})")
    result = subprocess.run(["mmdebstrap", "--variant=minbase", "--include=" + ",".join(PACKAGES), "--quiet",
                             SUITE, tree, SOURCES], text=True, capture_output=True,
                            env=dict(os.environ, TMPDIR=folder))
    if result.returncode != 0:
        raise TestFailure(f"mmdebstrap failed ({result.returncode}): {result.stderr[-3000:]}")
    customise(tree)
    shutil.copy(os.path.join(tree, "var/lib/dpkg/status"), os.path.join(folder, "dpkg-status"))
    result = subprocess.run(["mke2fs", "-q", "-t", "ext4", "-L", "vproot", "-d", tree,
                             os.path.join(folder, "root.ext4"), IMAGE_SIZE], text=True, capture_output=True)
    if result.returncode != 0:
        raise TestFailure(f"mke2fs -d failed: {result.stderr}")
    shutil.rmtree(tree)


def customise(tree):
    """The users, the agent, autologin, and apt's local package source."""
    for name, uid in USERS.items():
        subprocess.run(["chroot", tree, "useradd", "--create-home", "--shell", "/bin/bash", "--uid", str(uid),
                        "--user-group", name], check=True)
    for name, (target, mode) in LAID_FILES.items():
        path = os.path.join(tree, target)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(os.path.join(GUEST_FILES, name), path)
        os.chmod(path, mode)
    os.chown(os.path.join(tree, LAID_FILES["bash_profile"][0]), USERS[SEAT_USER], USERS[SEAT_USER])
    sources = os.path.join(tree, "etc/apt/sources.list.d")
    for name in os.listdir(sources):
        os.remove(os.path.join(sources, name))
    for target, text in TEXT_FILES.items():
        os.makedirs(os.path.dirname(os.path.join(tree, target)), exist_ok=True)
        with open(os.path.join(tree, target), "w") as out:
            out.write(text)
    os.makedirs(os.path.join(tree, PAYLOAD.lstrip("/")), exist_ok=True)
    units = os.path.join(tree, "etc/systemd/system")
    os.makedirs(os.path.join(units, "multi-user.target.wants"), exist_ok=True)
    os.symlink("/etc/systemd/system/vp-agent.service", os.path.join(units, "multi-user.target.wants",
                                                                     "vp-agent.service"))
    for unit in MASKED_UNITS:
        os.symlink("/dev/null", os.path.join(units, unit))


def boot_initramfs(work, modules):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.exists(busybox) or not initramfs.is_static_elf(busybox):
        raise TestFailure(f"{busybox} is missing or not statically linked (install busybox-static)")
    stage = os.path.join(work, "desktop-initramfs")
    shutil.rmtree(stage, ignore_errors=True)
    names = debian.load_order(modules, MODULES)
    for folder in ("dev", "proc", "sys", "lib/modules"):
        os.makedirs(os.path.join(stage, folder))
    initramfs.stage(stage, {"bin/busybox": busybox})
    for name in names:
        with open(os.path.join(stage, "lib", "modules", name + ".ko"), "wb") as out:
            out.write(debian.module_bytes(modules, name))
    with open(os.path.join(stage, "init"), "w") as out:
        out.write(initramfs.init_script(names, INIT_TAIL))
    os.chmod(os.path.join(stage, "init"), 0o755)
    packed = initramfs.pack(stage, os.path.join(work, "desktop-initramfs.cpio.zst"), "the desktop's initramfs")
    shutil.rmtree(stage)
    return packed


def relations(deb):
    """The .deb's fields that decide what apt installs with it."""
    fields = ["Pre-Depends", "Depends", "Recommends", "Conflicts", "Breaks"]
    answer = subprocess.run(["dpkg-deb", "-f", deb, *fields], text=True, capture_output=True, check=True).stdout
    return {line.split(":", 1)[0]: line.split(":", 1)[1].strip() for line in answer.splitlines() if ":" in line}


def archive(built, deb):
    """The packages installing `deb` in the guest adds (with Recommends),
    downloaded once for these relationship fields, as a folder apt reads.
    Answers (folder, key): the key names what the guest installs. Call
    holding the cache's lock."""
    key = hashlib.sha256(repr((built.key, sorted(relations(deb).items()))).encode()).hexdigest()[:16]
    folder = os.path.join(built.folder, f"archive-{key}")
    if not os.path.isdir(folder):
        for old in os.listdir(built.folder):
            if old.startswith("archive-"):
                shutil.rmtree(os.path.join(built.folder, old))
        cache.entry(folder, lambda part: download_archive(deb, built.status, part))
    return folder, key


def download_archive(deb, status, folder):
    debs = debian.download_for(deb, status, folder)
    index = subprocess.run(["dpkg-scanpackages", "--multiversion", "."], cwd=folder, text=True,
                           capture_output=True, check=True).stdout
    with open(os.path.join(folder, "Packages"), "w") as out:
        out.write(index)
    log(f"the package's dependencies: {len(debs)} packages downloaded for the guest")


def link_or_copy(source, target):
    try:
        os.link(source, target)
    except OSError:
        shutil.copy(source, target)


def payload_disk(work, deb, probe, folder):
    """An ext4 image with the package folder (repo/), the .deb and the probe."""
    stage = os.path.join(work, "payload")
    shutil.rmtree(stage, ignore_errors=True)
    shutil.copytree(folder, os.path.join(stage, "repo"), copy_function=link_or_copy)
    shutil.copy(deb, stage)
    shutil.copy(probe, os.path.join(stage, os.path.basename(PROBE)))
    size = sum(os.path.getsize(os.path.join(here, name)) for here, _, names in os.walk(stage) for name in names)
    disk = os.path.join(work, "payload.ext4")
    if os.path.exists(disk):
        os.remove(disk)
    result = subprocess.run(["mke2fs", "-q", "-t", "ext4", "-L", PAYLOAD_LABEL, "-d", stage, disk,
                             f"{size // 1_000_000 + 64}M"], text=True, capture_output=True)
    shutil.rmtree(stage)
    if result.returncode != 0:
        raise TestFailure(f"mke2fs -d for the payload disk failed: {result.stderr}")
    return disk


def disks(system, payload, keep_writes=False):
    """QEMU's arguments for the root disk and the payload disk. The root disk
    is booted in snapshot mode unless its writes are to be kept: its writes
    then go to a deleted file in TMPDIR. Flushes need not reach this
    machine's disk either way: a kept disk is kept only when its guest shut
    down cleanly."""
    mode = "cache=unsafe" if keep_writes else "snapshot=on,cache=unsafe"
    return ["-drive", f"file={system},if=virtio,format=raw,{mode}",
            "-drive", f"file={payload},if=virtio,format=raw,readonly=on"]
