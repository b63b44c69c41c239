# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Building blocks for tests in an emulated machine: Debian's packages
fetched and unpacked (debian), an initramfs (initramfs), the machine with its
QMP socket (machine, qmp), the agent that runs commands in the guest (agent)
and the runner of tray scenarios written as data (scenarios)."""
