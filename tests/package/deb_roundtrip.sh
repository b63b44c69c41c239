#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package end to end, as a user meets it: cpack builds the .deb,
# apt-get installs it, the desktop entry and icon are where menus and software
# centres look, the program starts from the installed entry's command on the
# private X server CTest starts it with (python3 -m harness.display) and shows
# its window, and apt-get removes every file again.
# Usage: deb_roundtrip.sh BUILD_DIR APP_ID VERSION
# It changes the running system, so it runs only where that is wanted: in CI
# (CI=true) or when asked (VP_SYSTEM_TESTS=1); otherwise it skips (exit 77).
# It never touches a copy of the package that was installed before it
# started: it skips then too. Needs root or passwordless sudo; removes the
# package again however the test ends.
set -euo pipefail
build=$1
id=$2
package=vorkula-ponkka
title="Vorkula Ponkka $3"
skip() { echo "SKIP: $*"; exit 77; }

[ "${CI:-}" = true ] || [ "${VP_SYSTEM_TESTS:-}" = 1 ] \
    || skip "installs and removes the package in the running system; runs with CI=true or VP_SYSTEM_TESTS=1"

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "FAIL: this test installs a package into the system; run it as root or with passwordless sudo"
    exit 1
fi
apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300)

work=$(mktemp -d)
installed=0
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    if [ "$installed" = 1 ]; then
        echo "cleaning up: removing $package"
        "${apt[@]}" remove "$package" >/dev/null 2>&1 || true
        "${as_root[@]}" appstreamcli refresh-cache --force >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }

# Two runs of this test from one build tree at once would install and remove
# the same package under each other.
exec 9>>"$build/deb-roundtrip.lock"
flock -w 300 9 || fail "another package test holds $build/deb-roundtrip.lock"
status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
case $status in "" | *not-installed | *config-files) ;;
    *) skip "$package is already installed here ('$status'); this test would replace and then remove it" ;;
esac

step "cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/cpack/"$package"_*.deb)
[ -f "${debs[0]}" ] || { cat "$work/cpack.log"; fail "cpack made no $package .deb"; }
deb=${debs[0]}
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Version) $(dpkg-deb -f "$deb" Architecture)"

# The library dependencies are read off the executable by dpkg-shlibdeps; the
# run-time data the program loads without linking it are named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in 'libc6 (>=' 'libqt6widgets6 (>=' 'libqt6gui6 (>=' 'libstdc++6 (>=' qt6-translations-l10n; do
    grep -qF "$needed" <<<"$depends" || fail "Depends lacks $needed"
done

step "apt-get install ./$(basename "$deb")"
installed=1
"${apt[@]}" install "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt-get install failed"; }
[ "$(dpkg-query -W -f='${Status}' "$package")" = "install ok installed" ] || fail "$package is not installed"

step "desktop entry and icon"
entry=/usr/share/applications/$id.desktop
[ -f "$entry" ] || fail "no desktop entry $entry"
dpkg-query -S "$entry" | grep -q "^$package:" || fail "$entry does not belong to $package"
desktop-file-validate "$entry" || fail "the installed desktop entry does not validate"
icon=$(sed -n 's/^Icon=//p' "$entry")
for file in "/usr/share/icons/hicolor/scalable/apps/$icon.svg" "/usr/share/icons/hicolor/48x48/apps/$icon.png"; do
    [ -f "$file" ] || fail "the entry's icon $icon has no $file"
done
# Software centres read the AppStream cache: the component is there, with the
# installed desktop entry and icon.
"${as_root[@]}" appstreamcli refresh-cache --force >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli refresh-cache failed"; }
appstreamcli get --details "$id" >"$work/component.txt" 2>&1 || { cat "$work/component.txt"; fail "the AppStream cache does not know $id"; }
cat "$work/component.txt"
grep -q "^Name: Vorkula Ponkka" "$work/component.txt" || fail "the AppStream component has no name"
grep -q "^Icon: $icon" "$work/component.txt" || fail "the AppStream component has no icon"

step "start the installed program from its desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n 1)
program=$(command -v "${exec_line%% *}") || fail "Exec=$exec_line is not on PATH"
[ "$program" = /usr/bin/vorkula-ponkka ] || fail "Exec=$exec_line resolves to $program, not the installed /usr/bin/vorkula-ponkka"
# As a user would start it: the platform's default window system, no test
# platform, an English locale; Qt's run-time folder in the work folder.
mkdir -m 700 "$work/runtime"
env -u QT_QPA_PLATFORM LANG=en_US.UTF-8 XDG_RUNTIME_DIR="$work/runtime" "$program" >"$work/program.log" 2>&1 &
app_pid=$!
window=
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || { cat "$work/program.log"; fail "the program ended before showing its window"; }
    sleep 0.1
done
[ -n "$window" ] || { cat "$work/program.log"; fail "no visible window named '$title' within 20 s"; }
[ "$(xdotool getwindowpid "$window")" = "$app_pid" ] || fail "the window '$title' is not the started program's"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
xprop -id "$window" WM_CLASS | grep -qF "\"$wm_class\"" \
    || fail "the window's $(xprop -id "$window" WM_CLASS) does not match StartupWMClass=$wm_class"
echo "window $window '$title', pid $app_pid, class $wm_class"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=

step "apt-get remove $package"
"${apt[@]}" remove "$package" >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "apt-get remove failed"; }
installed=0
status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
case $status in "" | *not-installed | *config-files) ;; *) fail "$package is still '$status'" ;; esac
for file in $(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }'); do
    [ ! -e "$file" ] || fail "$file is left behind after removal"
done
"${as_root[@]}" appstreamcli refresh-cache --force >/dev/null 2>&1 || fail "appstreamcli refresh-cache failed"
! appstreamcli get "$id" >/dev/null 2>&1 || fail "the AppStream cache still lists $id"
echo "PASS: $(basename "$deb") installed, started and removed"
