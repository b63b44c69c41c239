# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Folders that test runs on one machine share (the guests' cached disks,
unpacked packages, a build tree's work folders): one run at a time builds
in them, and a run that finds another one building waits for it."""

import contextlib
import fcntl
import os
import shutil

from harness.checks import log


@contextlib.contextmanager
def locked(folder, what):
    """Holds the lock of `folder` (its .lock file, taken with flock) while the
    block runs. The lock goes with the process, however it ends."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ".lock"), "a") as lock:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            log(f"waiting for another test run, which holds {what} ({folder})")
            fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def entry(path, build):
    """The folder `path`, made first by build(folder) when missing: under a
    temporary name, renamed into place once whole, so that no run ever sees
    half an entry. Call holding the lock of the folder it is in."""
    if os.path.isdir(path):
        return path
    scratch = path + ".part"
    shutil.rmtree(scratch, ignore_errors=True)  # left by a run that was killed
    os.makedirs(scratch)
    try:
        build(scratch)
    except BaseException:
        shutil.rmtree(scratch, ignore_errors=True)
        raise
    os.rename(scratch, path)
    return path
