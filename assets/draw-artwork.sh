#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's two pictures with ImageMagick (Debian package
# imagemagick): the main window's vertical banner, 86 x 262 pixels, and the
# About window's portrait, 80 x 107; and each again at twice the size, drawn
# afresh rather than enlarged (banner@2x.jpg, portrait@2x.jpg), for screens
# with two or more device pixels to a pixel. The JPEGs are committed; run
# this only to change them.
# Usage: assets/draw-artwork.sh [FOLDER]   (default: assets/ itself)
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold

# Banner: night-blue gradient, a shining disc with its tray, and the name
# running upwards. $1 is the scale, $2 the file.
draw_banner() {
    local s=$1 at="scale $1,$1"
    convert -size $((86 * s))x$((262 * s)) gradient:'#101848'-'#5a1870' \
        -fill '#c8ccd8' -stroke '#404860' -draw "$at roundrectangle 6,14 80,44 4,4" \
        -fill '#1c2030' -stroke none -draw "$at rectangle 12,36 74,40" \
        -fill '#e8e8f0' -stroke '#8088a0' -draw "$at circle 43,84 43,52" \
        -fill '#ffd23c' -stroke none -draw "$at circle 43,84 43,60" \
        -fill '#5ad0ff' -draw "$at circle 43,84 43,68" \
        -fill '#ff6ad0' -draw "$at circle 43,84 43,74" \
        -fill '#101848' -stroke '#8088a0' -draw "$at circle 43,84 43,79" \
        -stroke none -fill 'rgba(255,255,255,0.55)' -draw "$at path 'M 30,62 L 38,60 L 36,74 Z'" \
        \( -size $((150 * s))x$((40 * s)) xc:none -font "$font" -pointsize $((17 * s)) -fill '#ffe24a' \
           -gravity center -annotate 0 'VORKULA' -rotate -90 \) \
        -gravity northwest -geometry +$((6 * s))+$((104 * s)) -composite \
        \( -size $((150 * s))x$((40 * s)) xc:none -font "$font" -pointsize $((17 * s)) -fill '#ffffff' \
           -gravity center -annotate 0 'PONKKA' -rotate -90 \) \
        -gravity northwest -geometry +$((40 * s))+$((104 * s)) -composite \
        -fill '#ffe24a' -draw "$at polygon 43,246 37,256 49,256" \
        -quality 92 -strip "$2"
}

# Portrait: the coder, in sunglasses, with a CD for a halo.
draw_portrait() {
    local s=$1 at="scale $1,$1"
    convert -size $((80 * s))x$((107 * s)) gradient:'#3c8ce0'-'#a0e0ff' \
        -fill '#e8e8f0' -stroke '#8088a0' -draw "$at circle 40,22 40,4" \
        -fill '#3c8ce0' -stroke none -draw "$at circle 40,22 40,17" \
        -fill '#2a2a3a' -draw "$at ellipse 40,107 34,26 180,360" \
        -fill '#ffd23c' -draw "$at polygon 34,84 46,84 40,100" \
        -fill '#f0c8a0' -stroke '#a07050' -draw "$at ellipse 40,52 19,24 0,360" \
        -fill '#5a3418' -stroke none -draw "$at ellipse 40,32 20,9 180,360" \
        -fill '#101010' -draw "$at roundrectangle 23,45 38,54 3,3" \
        -draw "$at roundrectangle 42,45 57,54 3,3" -draw "$at rectangle 36,47 44,49" \
        -fill none -stroke '#7a3a20' -strokewidth 2 -draw "$at arc 30,56 50,70 20,160" \
        -quality 92 -strip "$2"
}

out=${1:-.}
draw_banner 1 "$out/banner.jpg"
draw_banner 2 "$out/banner@2x.jpg"
draw_portrait 1 "$out/portrait.jpg"
draw_portrait 2 "$out/portrait@2x.jpg"
identify "$out"/banner.jpg "$out"/banner@2x.jpg "$out"/portrait.jpg "$out"/portrait@2x.jpg
