#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs whatever is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

# With no display to show the window on, the program starts on a virtual X
# server instead, so the command still works on a headless machine.
headless=false
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && headless=true

groups=(build)
$headless && groups+=(test)
scripts/install-deps.sh "${groups[@]}"
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default

if $headless; then
    echo "No display found: starting the program on a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a build/default/app/vorkula-ponkka "$@"
fi
exec build/default/app/vorkula-ponkka "$@"
