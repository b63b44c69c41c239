# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Helpers for the scripts that start the program or its tools as processes."""

import signal
import subprocess


def stop(process, grace=5):
    """Asks a process to end, and ends it by force if it has not within `grace` seconds."""
    if process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
