#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages listed in scripts/deps/<group>.txt for each
# group named on the command line, and only those not installed yet.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

missing=()
for group in "$@"; do
    list="$here/deps/$group.txt"
    [ -f "$list" ] || { echo "install-deps: no package list $list" >&2; exit 2; }
    while read -r package; do
        package=${package%%#*}
        package=${package//[[:space:]]/}
        [ -n "$package" ] || continue
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || missing+=("$package")
    done < "$list"
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
