#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the icon's PNG sizes for the hicolor theme from vorkula-ponkka.svg
# with rsvg-convert (Debian package librsvg2-bin). The PNGs are committed; run
# this only after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"

for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        vorkula-ponkka.svg --output "vorkula-ponkka-$size.png"
done
file vorkula-ponkka-*.png
