#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's two pictures with ImageMagick (Debian package
# imagemagick): the main window's vertical banner, 86 x 262 pixels, and the
# About window's portrait, 80 x 107. The JPEGs are committed; run this only to
# change them.
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold

# Banner: night-blue gradient, a shining disc with its tray, and the name
# running upwards.
convert -size 86x262 gradient:'#101848'-'#5a1870' \
    -fill '#c8ccd8' -stroke '#404860' -draw 'roundrectangle 6,14 80,44 4,4' \
    -fill '#1c2030' -stroke none -draw 'rectangle 12,36 74,40' \
    -fill '#e8e8f0' -stroke '#8088a0' -draw 'circle 43,84 43,52' \
    -fill '#ffd23c' -stroke none -draw 'circle 43,84 43,60' \
    -fill '#5ad0ff' -draw 'circle 43,84 43,68' \
    -fill '#ff6ad0' -draw 'circle 43,84 43,74' \
    -fill '#101848' -stroke '#8088a0' -draw 'circle 43,84 43,79' \
    -stroke none -fill 'rgba(255,255,255,0.55)' -draw 'path "M 30,62 L 38,60 L 36,74 Z"' \
    \( -size 150x40 xc:none -font "$font" -pointsize 17 -fill '#ffe24a' \
       -gravity center -annotate 0 'VORKULA' -rotate -90 \) \
    -gravity northwest -geometry +6+104 -composite \
    \( -size 150x40 xc:none -font "$font" -pointsize 17 -fill '#ffffff' \
       -gravity center -annotate 0 'PONKKA' -rotate -90 \) \
    -gravity northwest -geometry +40+104 -composite \
    -fill '#ffe24a' -draw 'polygon 43,246 37,256 49,256' \
    -quality 92 -strip banner.jpg

# Portrait: the coder, in sunglasses, with a CD for a halo.
convert -size 80x107 gradient:'#3c8ce0'-'#a0e0ff' \
    -fill '#e8e8f0' -stroke '#8088a0' -draw 'circle 40,22 40,4' \
    -fill '#3c8ce0' -stroke none -draw 'circle 40,22 40,17' \
    -fill '#2a2a3a' -draw 'ellipse 40,107 34,26 180,360' \
    -fill '#ffd23c' -draw 'polygon 34,84 46,84 40,100' \
    -fill '#f0c8a0' -stroke '#a07050' -draw 'ellipse 40,52 19,24 0,360' \
    -fill '#5a3418' -stroke none -draw 'ellipse 40,32 20,9 180,360' \
    -fill '#101010' -draw 'roundrectangle 23,45 38,54 3,3' \
    -draw 'roundrectangle 42,45 57,54 3,3' -draw 'rectangle 36,47 44,49' \
    -fill none -stroke '#7a3a20' -strokewidth 2 -draw 'arc 30,56 50,70 20,160' \
    -quality 92 -strip portrait.jpg

identify banner.jpg portrait.jpg
