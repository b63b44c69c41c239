# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""What the Python test harnesses share: checks and their report, a private
X server and session bus, processes, Wine and the emulated machine.

CTest puts tests/support on PYTHONPATH; by hand: PYTHONPATH=tests/support.
"""
