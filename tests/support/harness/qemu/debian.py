# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Debian's own packages for a guest: fetched with apt-get download, unpacked
with dpkg-deb, never installed; each is fetched once into a cache folder.
Also the kernel's modules in load order, and what a .deb would pull into a
guest that installs it with apt, downloaded for the guest's own apt."""

import gzip
import lzma
import os
import shutil
import subprocess

from harness.cache import locked
from harness.checks import TestFailure, log

LIBRARY_FOLDERS = ["lib/x86_64-linux-gnu", "usr/lib/x86_64-linux-gnu", "lib64"]


def run(command, **options):
    return subprocess.run(command, text=True, capture_output=True, **options)


def renewing_lists(attempt, what):
    """Runs attempt() again after apt-get update when it answers nothing:
    stale package lists name versions the archive no longer has. Only root
    can renew them."""
    answer = attempt()
    if not answer and os.geteuid() == 0:
        log(f"{what} failed; running apt-get update")
        subprocess.run(["apt-get", "update", "-q"], check=True)
        answer = attempt()
    if not answer:
        raise TestFailure(f"{what} failed (run apt-get update)")
    return answer


def apt_download(packages, folder):
    """The packages' .deb files, downloaded into `folder`."""
    os.makedirs(folder, exist_ok=True)
    renewing_lists(lambda: run(["apt-get", "download", *packages], cwd=folder).returncode == 0,
                   f"apt-get download {' '.join(packages)}")
    return [os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".deb")]


def kernel_package():
    """The package that linux-image-amd64 depends on: the current kernel."""
    def lookup():
        for line in run(["apt-cache", "depends", "linux-image-amd64"]).stdout.splitlines():
            if line.strip().startswith("Depends:") and "linux-image-" in line:
                return line.split(":", 1)[1].strip()
    return renewing_lists(lookup, "finding the package linux-image-amd64 depends on")


class Unpacked:
    """Packages unpacked into cache/root, each fetched once (cache/packages
    lists them)."""

    def __init__(self, cache):
        self.cache = cache
        self.root = os.path.join(cache, "root")
        self.stamp = os.path.join(cache, "packages")

    def add(self, packages):
        # Both vm tests unpack into the kernel's folder, and so may another
        # run: one at a time, each reading what the others added.
        with locked(self.cache, "the unpacked packages"):
            have = set(open(self.stamp).read().split()) if os.path.exists(self.stamp) else set()
            missing = sorted(set(packages) - have)
            if not missing:
                return
            log(f"fetching {' '.join(missing)}")
            download = os.path.join(self.cache, "download")
            shutil.rmtree(download, ignore_errors=True)
            for deb in apt_download(missing, download):
                subprocess.run(["dpkg-deb", "-x", deb, self.root], check=True)
            shutil.rmtree(download, ignore_errors=True)
            with open(self.stamp, "w") as stamp:
                stamp.write("\n".join(sorted(have | set(missing))) + "\n")

    def resolve(self, relative):
        """A path inside the tree with its symbolic links followed inside it;
        None when it leads nowhere."""
        path = os.path.join(self.root, relative)
        for _ in range(20):
            if not os.path.islink(path):
                return path if os.path.isfile(path) else None
            target = os.readlink(path)
            path = os.path.join(self.root, target.lstrip("/")) if target.startswith("/") \
                else os.path.join(os.path.dirname(path), target)
        return None


def kernel(cache):
    """(vmlinuz, modules folder) of Debian's current kernel."""
    package = kernel_package()
    unpacked = Unpacked(cache)
    unpacked.add([package])
    version = package[len("linux-image-"):]
    image = os.path.join(unpacked.root, "boot", "vmlinuz-" + version)
    for modules in ("lib/modules", "usr/lib/modules"):
        if os.path.isfile(image) and os.path.isdir(os.path.join(unpacked.root, modules, version)):
            log(f"kernel: {package}")
            return image, os.path.join(unpacked.root, modules, version)
    raise TestFailure(f"{package} has no vmlinuz-{version} or no modules for it in {unpacked.root}")


def module_bytes(modules, name):
    """A kernel module's object code, decompressed on the host (busybox
    insmod takes plain .ko files only)."""
    openers = {".ko": open, ".ko.xz": lzma.open, ".ko.gz": gzip.open}
    for folder, _, files in os.walk(os.path.join(modules, "kernel")):
        for suffix, opener in openers.items():
            if name + suffix in files:
                with opener(os.path.join(folder, name + suffix), "rb") as module:
                    return module.read()
        if name + ".ko.zst" in files:
            return subprocess.run(["zstd", "-dc", os.path.join(folder, name + ".ko.zst")], check=True,
                                  capture_output=True).stdout
    raise TestFailure(f"kernel module {name} not found under {modules}")


def shared_libraries(binary):
    """{name: host path} of every library the binary loads, the loader included."""
    result = run(["ldd", binary])
    if result.returncode != 0:
        raise TestFailure(f"ldd {binary}: {result.stdout.strip()} {result.stderr.strip()}")
    libraries = {}
    for line in result.stdout.splitlines():
        words = line.split()
        if "not found" in line:
            raise TestFailure(f"ldd {binary}: {line.strip()}")
        if "=>" in words and len(words) >= 3 and words[2].startswith("/"):
            libraries[words[0]] = words[2]
        elif words and words[0].startswith("/"):
            libraries[os.path.basename(words[0])] = words[0]
    return libraries


def owning_package(path):
    """The installed package that ships a file (the host's copy tells which)."""
    candidates = [path, os.path.realpath(path)]
    for candidate in list(candidates):
        for merged, split in (("/usr/lib/", "/lib/"), ("/lib/", "/usr/lib/")):
            if candidate.startswith(merged):
                candidates.append(split + candidate[len(merged):])
    for candidate in candidates:
        result = run(["dpkg-query", "-S", candidate])
        if result.returncode == 0:
            return result.stdout.split(":", 1)[0].strip()
    raise TestFailure(f"no installed package ships {path}")


def userland(cache, programs, binaries=()):
    """Programs from Debian's packages ({package: [path in the guest]}) and
    every library that they and the host `binaries` load, from the packages
    that ship them. Answers {path in the guest: file in the cache}."""
    unpacked = Unpacked(cache)
    unpacked.add(programs)
    paths = [path for listed in programs.values() for path in listed]
    libraries = {}
    for binary in [*binaries, *(os.path.join(unpacked.root, path) for path in paths)]:
        libraries.update(shared_libraries(binary))
    unpacked.add({owning_package(path) for path in libraries.values()})

    files = {path: os.path.join(unpacked.root, path) for path in paths}
    for name, host_path in libraries.items():
        found = next(filter(None, (unpacked.resolve(os.path.join(folder, name)) for folder in LIBRARY_FOLDERS)),
                     None)
        if found is None:
            raise TestFailure(f"{name} is not in the unpacked packages under {unpacked.root}")
        if name.startswith("ld-linux"):
            files[host_path.lstrip("/")] = found
        files[os.path.join(LIBRARY_FOLDERS[0], name)] = found
    return files


def host_files(binary, guest_path, beside, data=()):
    """The host's own copy of a binary at `guest_path`, every library it
    loads that `beside` (a {path in the guest: file} map) does not already
    give, and the host's files or folders named in `data`. For a guest of
    the same Debian release as the host."""
    files = {guest_path.lstrip("/"): binary}
    for name, host_path in shared_libraries(binary).items():
        in_guest = os.path.join(LIBRARY_FOLDERS[0], name)
        if in_guest not in beside:
            files[in_guest] = os.path.realpath(host_path)
    for item in data:
        if os.path.isdir("/" + item):
            for folder, _, names in os.walk("/" + item):
                for name in names:
                    files[os.path.relpath(os.path.join(folder, name), "/")] = os.path.join(folder, name)
        elif os.path.isfile("/" + item):
            files[item] = "/" + item
        else:
            raise TestFailure(f"/{item} is missing on this machine")
    return files


def load_order(modules, names):
    """The kernel modules `names` with every module they need (each module's
    own depends= field tells), in an order insmod can load them."""
    ordered = []

    def add(name):
        if name not in ordered:
            code = module_bytes(modules, name)
            start = code.find(b"\0depends=")
            needs = code[start + 9:code.index(b"\0", start + 9)].decode() if start >= 0 else ""
            for dependency in filter(None, needs.split(",")):
                add(dependency)
            ordered.append(name)

    for name in names:
        add(name)
    return ordered


def download_for(deb, status, folder, recommends=True):
    """Downloads into `folder` every package that installing `deb` with apt
    would add to the system whose dpkg status file is `status` (a guest's;
    this machine's own packages play no part). Answers the .deb files."""
    os.makedirs(os.path.join(folder, "partial"), exist_ok=True)
    command = ["apt-get", "-q", "-y", "--download-only", "-o", f"Dir::State::status={status}",
               "-o", f"Dir::Cache::archives={folder}", "-o", "Debug::NoLocking=1",
               *([] if recommends else ["--no-install-recommends"]), "install", os.path.abspath(deb)]
    renewing_lists(lambda: run(command).returncode == 0, f"downloading what {os.path.basename(deb)} needs")
    shutil.rmtree(os.path.join(folder, "partial"), ignore_errors=True)
    if os.path.exists(os.path.join(folder, "lock")):
        os.remove(os.path.join(folder, "lock"))
    return sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".deb"))
