#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` lays down the program and exactly the files that make it a
# desktop program: the desktop entry, the metainfo and the icon in every size,
# each where the freedesktop.org specifications look for it, the manual pages,
# the catalogue of its Finnish texts, the licence terms and the changelog, and
# nothing else.
# Usage: check_install_tree.sh BUILD_DIR APP_ID SOURCE_DIR
set -euo pipefail
build=$1
id=$2
source=$3
sizes=(16 24 32 48 64 128 256)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 || { cat "$stage.log"; rm -f "$stage.log"; exit 1; }
rm -f "$stage.log"

fail() { echo "FAIL: $*"; exit 1; }

expected=(
    usr/bin/vorkula-ponkka
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    usr/share/man/man1/vorkula-ponkka.1.gz
    usr/share/man/fi/man1/vorkula-ponkka.1.gz
    usr/share/vorkula-ponkka/translations/vorkula-ponkka_fi.qm
    usr/share/doc/vorkula-ponkka/copyright
    usr/share/doc/vorkula-ponkka/changelog.gz
)
for size in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png"); done

if ! difference=$(diff <(printf '%s\n' "${expected[@]}" | sort) \
                       <(cd "$stage" && find . ! -type d | sed 's|^\./||' | sort)); then
    echo "$difference"
    fail "the installed tree differs from the expected one ('<' missing, '>' unexpected)"
fi

program=$stage/usr/bin/vorkula-ponkka
[ -x "$program" ] || fail "$program is not executable"
[ "$(head -c 4 "$program" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "$program is not an ELF executable"
# The installed program finds its libraries in the system's folders only.
! readelf -d "$program" | grep -Eq '\((RUNPATH|RPATH)\)' || fail "$program carries a run path: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"

# The installed program finds its catalogue where it was installed.
env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=fi_FI.UTF-8 "$program" --help | grep -q '^Avaa ja sulkee CD-aseman' \
    || fail "the installed program's help is not Finnish under LANG=fi_FI.UTF-8"

# Compressed as Debian wants (gzip -9n: best compression, no name, no time
# stamp), from the files in the repository.
while read -r installed original; do
    read -r _ _ _ flags m1 m2 m3 m4 extra < <(od -An -tu1 -N9 "$stage/$installed")
    [ $((flags & 8)) = 0 ] && [ "$m1$m2$m3$m4" = 0000 ] && [ "$extra" = 2 ] \
        || fail "$installed is not compressed with gzip -9n (flags $flags, time $m1 $m2 $m3 $m4, extra $extra)"
    zcat "$stage/$installed" | cmp -s - "$source/$original" || fail "$installed is not $original"
done <<EOF
usr/share/man/man1/vorkula-ponkka.1.gz man/vorkula-ponkka.1
usr/share/man/fi/man1/vorkula-ponkka.1.gz man/fi/vorkula-ponkka.1
usr/share/doc/vorkula-ponkka/changelog.gz packaging/debian/changelog
EOF

# Each PNG is drawn at the size of the folder it lies in.
for size in "${sizes[@]}"; do
    png=$stage/usr/share/icons/hicolor/${size}x$size/apps/$id.png
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 ))
    height=$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x$height, not ${size}x$size"
done
grep -q '<svg' "$stage/usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is not an SVG"

# The entry starts the installed program, its actions open and close the tray
# through it, and it names the installed icon.
entry=$stage/usr/share/applications/$id.desktop
[ "$(sed -n 's/^Exec=//p' "$entry")" = "$(printf 'vorkula-ponkka\nvorkula-ponkka --open\nvorkula-ponkka --close')" ] \
    || fail "the entry's commands are not the program, then --open and --close: $(grep '^Exec=' "$entry" | tr '\n' ' ')"
[ -x "$stage/usr/bin/vorkula-ponkka" ] || fail "the entry's program is not installed"
[ "$(sed -n 's/^Icon=//p' "$entry")" = "$id" ] || fail "Icon= does not name the installed icon $id"

echo "PASS: ${#expected[@]} files installed where they belong"
