#!/usr/bin/env bash
# `cmake --install` lays down the program and exactly the files that make it a
# desktop program: the desktop entry, the metainfo and the icon in every size,
# each where the freedesktop.org specifications look for it, and nothing else.
# Usage: check_install_tree.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
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

# Each PNG is drawn at the size of the folder it lies in.
for size in "${sizes[@]}"; do
    png=$stage/usr/share/icons/hicolor/${size}x$size/apps/$id.png
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 ))
    height=$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x$height, not ${size}x$size"
done
grep -q '<svg' "$stage/usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is not an SVG"

# The entry starts an installed program and names the installed icon.
entry=$stage/usr/share/applications/$id.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$stage/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"
[ "$(sed -n 's/^Icon=//p' "$entry")" = "$id" ] || fail "Icon= does not name the installed icon $id"

echo "PASS: ${#expected[@]} files installed where they belong"
